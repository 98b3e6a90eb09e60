#pragma once

#include "Product.h"
#include "StringFormat.h"

class Podcast : public Product {
public:
    QString toolTip() const override
    {
        return formatString(QStringLiteral("%@%@"), title(), QStringLiteral(" | Podcast"));
    }
    QString placeholderImageName() const override
    {
        return QStringLiteral("PodcastPlaceholderTemplate");
    }
};
