#include "ui/widgets/Gallery.h"

#include "Resources.h"
#include "ui/widgets/BadgeTextFieldCell.h"
#include "ui/widgets/BorderlessButton.h"
#include "ui/widgets/ColoredView.h"
#include "ui/widgets/RankingIndicator.h"
#include "ui/widgets/RatingBarView.h"
#include "ui/widgets/XFSearchField.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {

// A badge needs no widget of its own in the application (the sidebar
// delegate paints it); this one shows the drawing.
class BadgeSample : public QWidget {
public:
    explicit BadgeSample(QString title) : title_(std::move(title)) { setFixedSize(44, 20); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        BadgeTextFieldCell cell;
        cell.title = title_;
        cell.font = font();
        cell.font.setBold(true);
        const QSize size = cell.sizeForTitle();
        cell.drawWithFrame(painter, QRect(QPoint(0, (height() - size.height()) / 2), size));
    }

private:
    QString title_;
};

QWidget *starRow(double value, bool indicate, bool withoutValue, int style)
{
    auto *stars = new RankingIndicator;
    stars->setValue(value);
    stars->stars().indicateStars = indicate;
    stars->stars().displayWithoutValue = withoutValue;
    stars->setBackgroundStyle(style);
    stars->setFixedSize(100, 20);
    if (style == StarRatingPainter::Dark) {
        auto *plate = new ColoredView;
        plate->setColor(QColor(38, 110, 212));
        auto *layout = new QHBoxLayout(plate);
        layout->setContentsMargins(4, 2, 4, 2);
        layout->addWidget(stars);
        return plate;
    }
    return stars;
}

} // namespace

Gallery::Gallery(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("ReviewKeeper controls"));
    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(8);
    int row = 0;
    const auto label = [&](const QString &text) {
        grid->addWidget(new QLabel(text), row, 0, Qt::AlignRight | Qt::AlignVCenter);
    };

    const struct {
        double value;
        bool indicate;
        bool withoutValue;
        const char *caption;
    } samples[] = {
        {0, false, true, "0, displayWithoutValue"},
        {0, false, false, "0"},
        {1, true, false, "1, indicateStars"},
        {3.2, false, false, "3.2"},
        {4.5, true, false, "4.5, indicateStars"},
        {5, true, false, "5, indicateStars"},
    };
    for (const auto &sample : samples) {
        label(QString::fromLatin1(sample.caption));
        grid->addWidget(
            starRow(sample.value, sample.indicate, sample.withoutValue, StarRatingPainter::Light),
            row, 1);
        grid->addWidget(
            starRow(sample.value, sample.indicate, sample.withoutValue, StarRatingPainter::Dark),
            row, 2);
        ++row;
    }

    for (const double share : {0.0, 0.35, 1.0}) {
        label(QStringLiteral("share %1").arg(share));
        auto *bar = new RatingBarView;
        bar->setMaxValue(100);
        bar->setDoubleValue(share * 100);
        bar->setColor(QColor(225, 225, 225));
        bar->setFillColor(QColor(120, 120, 120));
        bar->setFixedSize(160, 12);
        grid->addWidget(bar, row++, 1);
    }

    label(QStringLiteral("badges: empty, 3, 128"));
    auto *badges = new QWidget;
    auto *badgeLayout = new QHBoxLayout(badges);
    badgeLayout->setContentsMargins(0, 0, 0, 0);
    for (const char *title : {"", "3", "128"})
        badgeLayout->addWidget(new BadgeSample(QString::fromLatin1(title)));
    badgeLayout->addStretch();
    grid->addWidget(badges, row++, 1);

    label(QStringLiteral("spinners: timer, thread, 30 %, 75 %, stopped"));
    auto *spinners = new QWidget;
    auto *spinnerLayout = new QHBoxLayout(spinners);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    for (int kind = 0; kind < 5; ++kind) {
        auto *spinner = new ZQSpinningProgressIndicator;
        spinner->setFixedSize(32, 32);
        if (kind == 0) {
            spinner->setUsesThreadedAnimation(false);
            spinner->startAnimation();
        } else if (kind == 1) {
            spinner->setColor(QColor(38, 110, 212));
            spinner->startAnimation();
        } else if (kind == 2 || kind == 3) {
            spinner->setCurrentValue(kind == 2 ? 30 : 75);
        }
        spinnerLayout->addWidget(spinner);
    }
    spinnerLayout->addStretch();
    grid->addWidget(spinners, row++, 1, 1, 2);

    label(QStringLiteral("search field: collapsed, expanded"));
    auto *fields = new QWidget;
    auto *fieldLayout = new QHBoxLayout(fields);
    fieldLayout->setContentsMargins(0, 0, 0, 0);
    fieldLayout->addWidget(new XFSearchField);
    auto *expanded = new XFSearchField;
    expanded->setExpandedWidth(180);
    expanded->setAnimationDuration(0);
    fieldLayout->addWidget(expanded);
    fieldLayout->addStretch();
    grid->addWidget(fields, row++, 1, 1, 2);
    QTimer::singleShot(0, expanded, [expanded] {
        expanded->setIsCollapsed(false);
        expanded->setText(QStringLiteral("crash"));
    });

    label(QStringLiteral("coloured, rounded, borderless"));
    auto *views = new QWidget;
    auto *viewLayout = new QHBoxLayout(views);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    auto *colored = new ColoredView;
    colored->setColor(QColor(250, 226, 160));
    colored->setFixedSize(60, 30);
    auto *rounded = new RoundedView;
    rounded->setColor(QColor(200, 225, 250));
    rounded->setFixedSize(60, 30);
    auto *button = new BorderlessButton;
    button->setIcon(QIcon(Resources::imagePath(QStringLiteral("search"))));
    viewLayout->addWidget(colored);
    viewLayout->addWidget(rounded);
    viewLayout->addWidget(button);
    viewLayout->addStretch();
    grid->addWidget(views, row++, 1, 1, 2);

    grid->setRowStretch(row, 1);
    grid->setColumnStretch(3, 1);
}
