#pragma once

#include "platform/store/StoreTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class EntityDescription;
class ManagedObject;

ObjectID objectIDOf(const ManagedObject *object);

// A filter written in the store's query language, such as
// "product == %@ AND countryCode ==[c] %@", parsed once. The same parsed
// predicate is compiled to SQL with bound parameters and evaluated on records
// in memory; both give the same answer, absent values and Unicode case
// folding included.
class Predicate {
public:
    enum class Op {
        Equal,
        NotEqual,
        Less,
        LessOrEqual,
        Greater,
        GreaterOrEqual,
        In,
        Contains,
        BeginsWith,
        EndsWith,
        Like
    };

    struct Node {
        enum class Kind { True, False, And, Or, Not, Comparison };
        Kind kind = Kind::True;
        QList<std::shared_ptr<const Node>> children;
        Op op = Op::Equal;
        bool caseInsensitive = false;
        QStringList keyPath;
        QVariant value; // a list for IN; invalid for nil
    };

    // Matches everything.
    Predicate();

    // Parses `format`, taking the values of "%@" (and "%d", "%ld", "%f", "%K"
    // for a key) from `arguments` in order. An unparsable format gives an
    // invalid predicate whose errorText() says why; it matches nothing.
    static Predicate fromFormat(const QString &format, const QVariantList &arguments = {});

    template<typename... Args>
    static Predicate format(const QString &text, const Args &...arguments)
    {
        return fromFormat(text, QVariantList {argument(arguments)...});
    }

    static Predicate andPredicates(const QList<Predicate> &predicates);
    static Predicate orPredicates(const QList<Predicate> &predicates);
    static Predicate notPredicate(const Predicate &predicate);

    bool isValid() const { return errorText_.isEmpty(); }
    const QString &errorText() const { return errorText_; }
    bool matchesAll() const { return isValid() && root_->kind == Node::Kind::True; }
    const Node &root() const { return *root_; }

    bool evaluate(const ManagedObject &object) const;

    // Appends a boolean SQL expression over the root table of `entity` to
    // `sql` and its parameters to `bindings`. False when a key is unknown
    // (such as a derived key that exists only in memory).
    bool toSql(const EntityDescription &entity, QByteArray &sql, QVariantList &bindings,
        QString *error = nullptr) const;

    // Splits the predicate for a fetch whose predicate SQL cannot take whole:
    // the conjuncts of its top-level AND that SQL can take over `entity` are
    // returned, the others go to `rest`, to be evaluated in memory. An OR or
    // NOT with any in-memory key stays whole in `rest`. Together they match
    // what this predicate matches.
    Predicate sqlPart(const EntityDescription &entity, Predicate *rest) const;

    // The format text again, for logs.
    QString description() const;

    // How arguments are passed: records by their ID, lists as lists.
    static QVariant argument(const QVariant &value) { return value; }
    static QVariant argument(const QString &value) { return value; }
    static QVariant argument(const char *value) { return QString::fromUtf8(value); }
    static QVariant argument(const QDateTime &value) { return value; }
    static QVariant argument(const QStringList &value) { return QVariant(value).toList(); }
    static QVariant argument(const QVariantList &value) { return value; }
    static QVariant argument(const ObjectID &value) { return QVariant::fromValue(value); }
    static QVariant argument(const ManagedObject *object)
    {
        return QVariant::fromValue(objectIDOf(object));
    }
    template<typename T> static QVariant argument(const std::shared_ptr<T> &object)
    {
        return QVariant::fromValue(objectIDOf(object.get()));
    }
    static QVariant argument(bool value) { return value; }
    static QVariant argument(int value) { return value; }
    static QVariant argument(qint64 value) { return qlonglong(value); }
    static QVariant argument(double value) { return value; }

private:
    static Predicate combine(const QList<Predicate> &predicates, int kind);
    static Predicate conjunction(const QList<std::shared_ptr<const Node>> &nodes);

    std::shared_ptr<const Node> root_;
    QString errorText_;
    QString format_;
};
