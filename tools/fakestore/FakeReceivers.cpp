#include "FakeReceivers.h"

std::optional<LocalHttpServer::Response> FakeReceivers::answer(
    const LocalHttpServer::Request &request)
{
    const QString path = request.path();
    if (!path.startsWith(QLatin1String("/hooks/")))
        return std::nullopt;
    if (request.method != "POST")
        return LocalHttpServer::Response::withStatus(405, "only POST");
    const QString name = path.mid(7);
    received_[name] << request;
    QList<LocalHttpServer::Response> &queued = queued_[name];
    if (!queued.isEmpty())
        return queued.takeFirst();
    return LocalHttpServer::Response::ok("ok");
}

void FakeReceivers::queueAnswers(
    const QString &name, const QList<LocalHttpServer::Response> &answers)
{
    queued_[name] << answers;
}

QList<LocalHttpServer::Request> FakeReceivers::received(const QString &name) const
{
    return received_.value(name);
}
