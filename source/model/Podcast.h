#pragma once

#include "model/Product.h"
#include "platform/StringFormat.h"

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
