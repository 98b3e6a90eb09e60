#pragma once

#include "model/Product.h"
#include "platform/StringFormat.h"

class Book : public Product {
public:
    QString toolTip() const override
    {
        return formatString(QStringLiteral("%@%@"), title(), QStringLiteral(" | iBook"));
    }
    QString placeholderImageName() const override
    {
        return QStringLiteral("BookPlaceholderTemplate");
    }
};
