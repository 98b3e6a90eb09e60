#pragma once

#include "LocalHttpServer.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Receives forwarded reviews at /hooks/<name>, as a chat service's webhook
// or a team's own endpoint does: every POST is kept, and answered 200 "ok",
// or with the answers queued for that hook first, in order.
class FakeReceivers {
public:
    std::optional<LocalHttpServer::Response> answer(const LocalHttpServer::Request &request);

    // Answers the next POSTs to `name` get before it answers 200 again.
    void queueAnswers(const QString &name, const QList<LocalHttpServer::Response> &answers);
    // Every POST to `name`, answered well or not, in order.
    QList<LocalHttpServer::Request> received(const QString &name) const;

private:
    QHash<QString, QList<LocalHttpServer::Request>> received_;
    QHash<QString, QList<LocalHttpServer::Response>> queued_;
};
