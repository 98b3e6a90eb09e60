#pragma once

#include "platform/store/Predicate.h"

// Reads the query language: comparisons (==, =, !=, <>, <, <=, >, >=, IN,
// CONTAINS, BEGINSWITH, ENDSWITH, LIKE, each with [c]), AND/&&, OR/||,
// NOT/!, parentheses, nil/NULL, YES/NO/TRUE/FALSE, numbers, quoted texts,
// TRUEPREDICATE/FALSEPREDICATE and arguments.
class PredicateParser {
public:
    PredicateParser(const QString &format, const QVariantList &arguments);
    std::shared_ptr<const Predicate::Node> parse(QString *error);

private:
    enum class Token {
        End,
        Word,
        Number,
        Text,
        Argument,
        KeyArgument,
        Operator,
        Open,
        Close,
        Comma,
        OpenBrace,
        CloseBrace
    };

    void next();
    std::shared_ptr<const Predicate::Node> parseOr();
    std::shared_ptr<const Predicate::Node> parseAnd();
    std::shared_ptr<const Predicate::Node> parseUnary();
    std::shared_ptr<const Predicate::Node> parseComparison();
    QVariant parseValue();
    bool wordIs(const char *word) const;
    void fail(const QString &message);

    QString format_;
    QVariantList arguments_;
    int argumentIndex_ = 0;
    qsizetype pos_ = 0;
    Token token_ = Token::End;
    QString text_;
    QVariant value_;
    QString error_;
};
