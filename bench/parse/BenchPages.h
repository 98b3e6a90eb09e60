#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// The inputs of the parse benchmark: the real store pages when the captured
// fixtures are at hand, else pages of the same shape written here.
struct BenchPages {
    QList<QByteArray> xml;
    QList<QByteArray> json;
    QStringList dates;
    bool real = false;

    static BenchPages load();
};
