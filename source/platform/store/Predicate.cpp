#include "platform/store/Predicate.h"

#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/PredicateParser.h"
#include "platform/store/StoreFunctions.h"
#include "platform/store/ValueCoding.h"

#include <functional>

using Node = Predicate::Node;

ObjectID objectIDOf(const ManagedObject *object)
{
    return object ? object->objectID() : ObjectID();
}

namespace {
std::shared_ptr<const Node> constantNode(Node::Kind kind)
{
    auto node = std::make_shared<Node>();
    node->kind = kind;
    return node;
}

bool compareOne(Predicate::Op op, const QVariant &left, const QVariant &right, bool ci)
{
    using Op = Predicate::Op;
    switch (op) {
    case Op::Equal:
        if (!right.isValid() || !left.isValid())
            return left.isValid() == right.isValid();
        return ValueCoding::compare(left, right, ci) == 0;
    case Op::NotEqual:
        return !compareOne(Op::Equal, left, right, ci);
    default:
        break;
    }
    if (!left.isValid() || !right.isValid())
        return false;
    switch (op) {
    case Op::Less:
        return ValueCoding::compare(left, right, ci) < 0;
    case Op::LessOrEqual:
        return ValueCoding::compare(left, right, ci) <= 0;
    case Op::Greater:
        return ValueCoding::compare(left, right, ci) > 0;
    case Op::GreaterOrEqual:
        return ValueCoding::compare(left, right, ci) >= 0;
    case Op::Contains:
        return StoreText::contains(left.toString(), right.toString(), ci);
    case Op::BeginsWith:
        return StoreText::beginsWith(left.toString(), right.toString(), ci);
    case Op::EndsWith:
        return StoreText::endsWith(left.toString(), right.toString(), ci);
    case Op::Like:
        return StoreText::like(left.toString(), right.toString(), ci);
    default:
        return false;
    }
}

bool evaluateNode(const Node &node, const ManagedObject &object)
{
    switch (node.kind) {
    case Node::Kind::True:
        return true;
    case Node::Kind::False:
        return false;
    case Node::Kind::And:
        for (const auto &child : node.children)
            if (!evaluateNode(*child, object))
                return false;
        return true;
    case Node::Kind::Or:
        for (const auto &child : node.children)
            if (evaluateNode(*child, object))
                return true;
        return false;
    case Node::Kind::Not:
        return !evaluateNode(*node.children.first(), object);
    case Node::Kind::Comparison:
        break;
    }
    const PropertyDescription *property = nullptr;
    const QVariant raw = object.valueForKeyPath(node.keyPath, &property);
    const QVariant left = ValueCoding::comparable(property, raw);
    if (node.op == Predicate::Op::In) {
        if (!left.isValid())
            return false;
        for (const QVariant &item : node.value.toList())
            if (compareOne(Predicate::Op::Equal, left, ValueCoding::comparable(property, item),
                    node.caseInsensitive))
                return true;
        return false;
    }
    return compareOne(
        node.op, left, ValueCoding::comparable(property, node.value), node.caseInsensitive);
}

const PropertyDescription *findColumnProperty(const EntityDescription &entity, const QString &key)
{
    // Keys of sub-entities live in the same table: a fetch of "BaseNode"
    // may filter on a product's identifier.
    for (const EntityDescription *member : entity.family())
        if (const PropertyDescription *property = member->property(key))
            return property;
    return nullptr;
}

struct SqlWriter {
    QByteArray &sql;
    QVariantList &bindings;
    QString error;

    bool isText(const PropertyDescription *p) const
    {
        return p->isAttribute() && p->type == AttributeType::String;
    }

    void parameter(const PropertyDescription *property, const QVariant &value, bool fold)
    {
        sql += fold ? "rk_fold(?)" : "?";
        bindings.append(ValueCoding::comparable(property, value));
    }

    bool comparison(const EntityDescription &entity, const Node &node, int depth, bool negated)
    {
        const QString &key = node.keyPath.at(depth);
        const PropertyDescription *property = findColumnProperty(entity, key);
        if (!property || property->isToMany()) {
            error = QStringLiteral("no stored key \"%1\" in %2").arg(key, entity.name());
            return false;
        }
        if (depth + 1 < node.keyPath.size()) {
            if (!property->isToOne()) {
                error = QStringLiteral("\"%1\" is not a relationship").arg(key);
                return false;
            }
            // A path through a to-one relationship becomes a sub-select on
            // the destination; a missing destination matches nothing.
            sql += "(" + property->column + " IN (SELECT id FROM " + property->destination->table()
                + " WHERE ";
            if (!comparison(*property->destination, node, depth + 1, false))
                return false;
            sql += "))";
            return true;
        }
        const bool fold = node.caseInsensitive && isText(property);
        const QByteArray column = fold ? "rk_fold(" + property->column + ")" : property->column;
        using Op = Predicate::Op;
        const bool absent = !node.value.isValid();
        // Under NOT, a NULL comparison must read as false, as in memory.
        const bool guard = negated && node.op != Op::Equal && node.op != Op::NotEqual;
        sql += guard ? "IFNULL(" : "(";
        switch (node.op) {
        case Op::Equal:
            if (absent) {
                sql += property->column + " IS NULL";
            } else {
                sql += column + " = ";
                parameter(property, node.value, fold);
            }
            break;
        case Op::NotEqual:
            if (absent) {
                sql += property->column + " IS NOT NULL";
            } else {
                sql += column + " IS NOT ";
                parameter(property, node.value, fold);
            }
            break;
        case Op::Less:
        case Op::LessOrEqual:
        case Op::Greater:
        case Op::GreaterOrEqual: {
            static const char *const symbols[] = {" < ", " <= ", " > ", " >= "};
            sql += column + symbols[int(node.op) - int(Op::Less)];
            parameter(property, node.value, fold);
            break;
        }
        case Op::In: {
            const QVariantList items = node.value.toList();
            if (items.isEmpty()) {
                sql += "0";
                break;
            }
            sql += column + " IN (";
            for (qsizetype i = 0; i < items.size(); ++i) {
                if (i)
                    sql += ", ";
                parameter(property, items[i], fold);
            }
            sql += ")";
            break;
        }
        case Op::Contains:
        case Op::BeginsWith:
        case Op::EndsWith:
        case Op::Like: {
            static const char *const functions[] = {
                "rk_contains(", "rk_beginswith(", "rk_endswith(", "rk_like("};
            sql += functions[int(node.op) - int(Op::Contains)] + property->column + ", ?, "
                + (node.caseInsensitive ? "1" : "0") + ")";
            bindings.append(node.value.isValid() ? QVariant(node.value.toString()) : QVariant());
            break;
        }
        }
        sql += guard ? ", 0)" : ")";
        return true;
    }

    bool write(const EntityDescription &entity, const Node &node, bool negated)
    {
        switch (node.kind) {
        case Node::Kind::True:
            sql += "1";
            return true;
        case Node::Kind::False:
            sql += "0";
            return true;
        case Node::Kind::And:
        case Node::Kind::Or: {
            sql += "(";
            for (qsizetype i = 0; i < node.children.size(); ++i) {
                if (i)
                    sql += node.kind == Node::Kind::And ? " AND " : " OR ";
                if (!write(entity, *node.children[i], negated))
                    return false;
            }
            sql += ")";
            return true;
        }
        case Node::Kind::Not:
            sql += "(NOT ";
            if (!write(entity, *node.children.first(), !negated))
                return false;
            sql += ")";
            return true;
        case Node::Kind::Comparison:
            return comparison(entity, node, 0, negated);
        }
        return false;
    }
};

QString describe(const Node &node)
{
    switch (node.kind) {
    case Node::Kind::True:
        return QStringLiteral("TRUEPREDICATE");
    case Node::Kind::False:
        return QStringLiteral("FALSEPREDICATE");
    case Node::Kind::And:
    case Node::Kind::Or: {
        QStringList parts;
        for (const auto &child : node.children)
            parts << describe(*child);
        return QLatin1Char('(')
            + parts.join(
                node.kind == Node::Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "))
            + QLatin1Char(')');
    }
    case Node::Kind::Not:
        return QStringLiteral("NOT ") + describe(*node.children.first());
    case Node::Kind::Comparison:
        break;
    }
    static const char *const names[] = {
        "==", "!=", "<", "<=", ">", ">=", "IN", "CONTAINS", "BEGINSWITH", "ENDSWITH", "LIKE"};
    QString value = node.value.isValid() ? node.value.toString() : QStringLiteral("nil");
    if (node.value.metaType() == QMetaType::fromType<ObjectID>())
        value = QStringLiteral("<record %1>").arg(node.value.value<ObjectID>().rowId);
    return node.keyPath.join(QLatin1Char('.')) + QLatin1Char(' ')
        + QLatin1String(names[int(node.op)])
        + (node.caseInsensitive ? QStringLiteral("[c] ") : QStringLiteral(" ")) + value;
}
} // namespace

Predicate::Predicate() : root_(constantNode(Node::Kind::True))
{
}

Predicate Predicate::fromFormat(const QString &format, const QVariantList &arguments)
{
    Predicate predicate;
    predicate.format_ = format;
    PredicateParser parser(format, arguments);
    QString error;
    std::shared_ptr<const Node> root = parser.parse(&error);
    if (!root) {
        predicate.errorText_ = error;
        predicate.root_ = constantNode(Node::Kind::False);
    } else {
        predicate.root_ = root;
    }
    return predicate;
}

Predicate Predicate::combine(const QList<Predicate> &predicates, int kind)
{
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind(kind);
    Predicate result;
    QStringList errors, formats;
    for (const Predicate &predicate : predicates) {
        node->children.append(predicate.root_);
        if (!predicate.isValid())
            errors << predicate.errorText_;
        formats << predicate.description();
    }
    result.root_ = node;
    result.errorText_ = errors.join(QStringLiteral("; "));
    return result;
}

Predicate Predicate::andPredicates(const QList<Predicate> &predicates)
{
    return combine(predicates, int(Node::Kind::And));
}

Predicate Predicate::orPredicates(const QList<Predicate> &predicates)
{
    return combine(predicates, int(Node::Kind::Or));
}

Predicate Predicate::notPredicate(const Predicate &predicate)
{
    return combine({predicate}, int(Node::Kind::Not));
}

bool Predicate::evaluate(const ManagedObject &object) const
{
    return isValid() && evaluateNode(*root_, object);
}

bool Predicate::toSql(
    const EntityDescription &entity, QByteArray &sql, QVariantList &bindings, QString *error) const
{
    if (!isValid()) {
        if (error)
            *error = errorText_;
        return false;
    }
    SqlWriter writer {sql, bindings, {}};
    if (writer.write(entity, *root_, false))
        return true;
    if (error)
        *error = writer.error;
    return false;
}

Predicate Predicate::conjunction(const QList<std::shared_ptr<const Node>> &nodes)
{
    Predicate result;
    if (nodes.size() == 1) {
        result.root_ = nodes.first();
    } else if (nodes.size() > 1) {
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::And;
        node->children = nodes;
        result.root_ = node;
    }
    return result;
}

Predicate Predicate::sqlPart(const EntityDescription &entity, Predicate *rest) const
{
    if (!isValid()) {
        if (rest)
            *rest = *this;
        return *this;
    }
    QList<std::shared_ptr<const Node>> inSql, inMemory;
    std::function<void(const std::shared_ptr<const Node> &)> split;
    split = [&](const std::shared_ptr<const Node> &node) {
        if (node->kind == Node::Kind::And) {
            for (const auto &child : node->children)
                split(child);
            return;
        }
        QByteArray sql;
        QVariantList bindings;
        SqlWriter writer {sql, bindings, {}};
        (writer.write(entity, *node, false) ? inSql : inMemory).append(node);
    };
    split(root_);
    if (rest)
        *rest = conjunction(inMemory);
    return conjunction(inSql);
}

QString Predicate::description() const
{
    return describe(*root_);
}
