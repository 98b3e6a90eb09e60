#pragma once

#include "model/Product.h"

// An iOS or Mac app: the only kind with store ratings, summed up over the
// countries in memory.
class App : public Product {
public:
    bool canHaveRatings() const override { return true; }

    std::optional<qint64> totalRatingCount() const;
    std::optional<double> totalAverageRating() const;
    QString totalAverageRatingString() const;
    std::optional<qint64> totalRatingCountForCurrentVersion() const;
    std::optional<double> totalAverageRatingForCurrentVersion() const;
    QString totalAverageRatingForCurrentVersionString() const;

    void updateTotalAverageRating();
    void updateTotalAverageRatingForCurrentVersion();
    // Both of the above.
    void updateRatingTotals();

    QString toolTip() const override;
    QString placeholderImageName() const override
    {
        return QStringLiteral("AppIconPlaceholderTemplate");
    }
#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    QVariant valueForKey(const QString &key) const override;

private:
    struct Totals {
        std::optional<qint64> count;
        std::optional<double> average;
        QString summary;
    };
    Totals computeTotals(const QString &averageKey, const QString &countKey) const;
    void ensureTotals() const;

    mutable bool totalsComputed_ = false;
    mutable Totals overall_;
    mutable Totals currentVersion_;
};
