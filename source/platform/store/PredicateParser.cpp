#include "platform/store/PredicateParser.h"

using Node = Predicate::Node;
using NodePtr = std::shared_ptr<const Node>;

PredicateParser::PredicateParser(const QString &format, const QVariantList &arguments)
    : format_(format), arguments_(arguments)
{
}

void PredicateParser::fail(const QString &message)
{
    if (error_.isEmpty())
        error_ = QStringLiteral("%1 at %2 in \"%3\"").arg(message).arg(pos_).arg(format_);
    token_ = Token::End;
}

bool PredicateParser::wordIs(const char *word) const
{
    return token_ == Token::Word && text_.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

void PredicateParser::next()
{
    const QString &f = format_;
    while (pos_ < f.size() && f[pos_].isSpace())
        ++pos_;
    text_.clear();
    value_ = QVariant();
    if (pos_ >= f.size()) {
        token_ = Token::End;
        return;
    }
    const QChar c = f[pos_];
    if (c == QLatin1Char('%')) {
        qsizetype end = pos_ + 1;
        while (end < f.size() && (f[end] == QLatin1Char('l') || f[end] == QLatin1Char('q')))
            ++end;
        if (end >= f.size()) {
            fail(QStringLiteral("incomplete argument"));
            return;
        }
        const QChar kind = f[end];
        pos_ = end + 1;
        if (argumentIndex_ >= arguments_.size()) {
            fail(QStringLiteral("missing argument"));
            return;
        }
        value_ = arguments_.at(argumentIndex_++);
        token_ = kind == QLatin1Char('K') ? Token::KeyArgument : Token::Argument;
        if (token_ == Token::KeyArgument)
            text_ = value_.toString();
        return;
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        qsizetype i = pos_ + 1;
        QString text;
        while (i < f.size() && f[i] != c) {
            if (f[i] == QLatin1Char('\\') && i + 1 < f.size())
                ++i;
            text += f[i++];
        }
        if (i >= f.size()) {
            fail(QStringLiteral("unterminated text"));
            return;
        }
        pos_ = i + 1;
        token_ = Token::Text;
        value_ = text;
        return;
    }
    if (c.isDigit() || (c == QLatin1Char('-') && pos_ + 1 < f.size() && f[pos_ + 1].isDigit())) {
        qsizetype i = pos_ + 1;
        while (i < f.size() && (f[i].isDigit() || f[i] == QLatin1Char('.')))
            ++i;
        const QString number = f.mid(pos_, i - pos_);
        pos_ = i;
        token_ = Token::Number;
        if (number.contains(QLatin1Char('.')))
            value_ = number.toDouble();
        else
            value_ = number.toLongLong();
        return;
    }
    if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@')) {
        qsizetype i = pos_;
        while (i < f.size()
            && (f[i].isLetterOrNumber() || f[i] == QLatin1Char('_') || f[i] == QLatin1Char('.')
                || f[i] == QLatin1Char('@')))
            ++i;
        text_ = f.mid(pos_, i - pos_);
        pos_ = i;
        token_ = Token::Word;
        return;
    }
    static const char *const operators[] = {
        "==", "!=", "<>", "<=", ">=", "=<", "=>", "&&", "||", "=", "<", ">", "!"};
    for (const char *op : operators) {
        const QLatin1String candidate(op);
        if (QStringView(f).mid(pos_).startsWith(candidate)) {
            pos_ += candidate.size();
            token_ = Token::Operator;
            text_ = candidate;
            return;
        }
    }
    ++pos_;
    switch (c.unicode()) {
    case '(':
        token_ = Token::Open;
        return;
    case ')':
        token_ = Token::Close;
        return;
    case ',':
        token_ = Token::Comma;
        return;
    case '{':
        token_ = Token::OpenBrace;
        return;
    case '}':
        token_ = Token::CloseBrace;
        return;
    default:
        fail(QStringLiteral("unexpected character '%1'").arg(c));
    }
}

NodePtr PredicateParser::parse(QString *error)
{
    next();
    NodePtr root = parseOr();
    if (error_.isEmpty() && token_ != Token::End)
        fail(QStringLiteral("unexpected text"));
    if (error_.isEmpty() && argumentIndex_ != arguments_.size())
        fail(QStringLiteral("too many arguments"));
    if (!error_.isEmpty()) {
        *error = error_;
        return {};
    }
    return root;
}

NodePtr PredicateParser::parseOr()
{
    NodePtr left = parseAnd();
    while (error_.isEmpty() && (wordIs("OR") || (token_ == Token::Operator && text_ == u"||"))) {
        next();
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::Or;
        node->children = {left, parseAnd()};
        left = node;
    }
    return left;
}

NodePtr PredicateParser::parseAnd()
{
    NodePtr left = parseUnary();
    while (error_.isEmpty() && (wordIs("AND") || (token_ == Token::Operator && text_ == u"&&"))) {
        next();
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::And;
        node->children = {left, parseUnary()};
        left = node;
    }
    return left;
}

NodePtr PredicateParser::parseUnary()
{
    if (wordIs("NOT") || (token_ == Token::Operator && text_ == u"!")) {
        next();
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::Not;
        node->children = {parseUnary()};
        return node;
    }
    if (token_ == Token::Open) {
        next();
        NodePtr inner = parseOr();
        if (token_ != Token::Close)
            fail(QStringLiteral("expected ')'"));
        next();
        return inner;
    }
    if (wordIs("TRUEPREDICATE") || wordIs("FALSEPREDICATE")) {
        auto node = std::make_shared<Node>();
        node->kind = wordIs("TRUEPREDICATE") ? Node::Kind::True : Node::Kind::False;
        next();
        return node;
    }
    return parseComparison();
}

NodePtr PredicateParser::parseComparison()
{
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::Comparison;
    if (token_ != Token::Word && token_ != Token::KeyArgument) {
        fail(QStringLiteral("expected a key"));
        return node;
    }
    node->keyPath = text_.split(QLatin1Char('.'));
    next();

    const QString op = text_;
    if (token_ == Token::Operator) {
        if (op == u"==" || op == u"=")
            node->op = Predicate::Op::Equal;
        else if (op == u"!=" || op == u"<>")
            node->op = Predicate::Op::NotEqual;
        else if (op == u"<")
            node->op = Predicate::Op::Less;
        else if (op == u"<=" || op == u"=<")
            node->op = Predicate::Op::LessOrEqual;
        else if (op == u">")
            node->op = Predicate::Op::Greater;
        else if (op == u">=" || op == u"=>")
            node->op = Predicate::Op::GreaterOrEqual;
        else
            fail(QStringLiteral("unknown operator"));
    } else if (wordIs("IN")) {
        node->op = Predicate::Op::In;
    } else if (wordIs("CONTAINS")) {
        node->op = Predicate::Op::Contains;
    } else if (wordIs("BEGINSWITH")) {
        node->op = Predicate::Op::BeginsWith;
    } else if (wordIs("ENDSWITH")) {
        node->op = Predicate::Op::EndsWith;
    } else if (wordIs("LIKE")) {
        node->op = Predicate::Op::Like;
    } else {
        fail(QStringLiteral("expected an operator"));
        return node;
    }
    // Options follow the operator directly: "==[c]", "CONTAINS[cd]".
    if (pos_ < format_.size() && format_[pos_] == QLatin1Char('[')) {
        const qsizetype close = format_.indexOf(QLatin1Char(']'), pos_);
        if (close < 0) {
            fail(QStringLiteral("unterminated options"));
            return node;
        }
        const QString options = format_.mid(pos_ + 1, close - pos_ - 1);
        node->caseInsensitive = options.contains(QLatin1Char('c'), Qt::CaseInsensitive);
        pos_ = close + 1;
    }
    next();
    node->value = parseValue();
    if (node->op == Predicate::Op::In && node->value.metaType().id() != QMetaType::QVariantList)
        fail(QStringLiteral("IN needs a list"));
    return node;
}

QVariant PredicateParser::parseValue()
{
    QVariant value;
    switch (token_) {
    case Token::Argument:
    case Token::Number:
    case Token::Text:
        value = value_;
        if (value.metaType().id() == QMetaType::QStringList)
            value = value.toList();
        next();
        return value;
    case Token::OpenBrace: {
        QVariantList list;
        next();
        while (error_.isEmpty() && token_ != Token::CloseBrace) {
            list.append(parseValue());
            if (token_ == Token::Comma)
                next();
            else if (token_ != Token::CloseBrace)
                fail(QStringLiteral("expected ',' or '}'"));
        }
        next();
        return list;
    }
    case Token::Word:
        if (wordIs("nil") || wordIs("NULL"))
            value = QVariant();
        else if (wordIs("YES") || wordIs("TRUE"))
            value = true;
        else if (wordIs("NO") || wordIs("FALSE"))
            value = false;
        else
            fail(QStringLiteral("comparing two keys is not supported"));
        next();
        return value;
    default:
        fail(QStringLiteral("expected a value"));
        return {};
    }
}
