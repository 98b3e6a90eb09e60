#pragma once

#include <QLineEdit>

class XFSearchField;

// Optional hooks of a collapsible search field's owner. An owner that does
// not override a "should" hook agrees.
class XFSearchFieldDelegate {
public:
    virtual ~XFSearchFieldDelegate() = default;
    virtual bool searchFieldShouldCollapse(XFSearchField *) { return true; }
    virtual bool searchFieldShouldExpand(XFSearchField *) { return true; }
    virtual void searchFieldDidCollapse(XFSearchField *) { }
    virtual void searchFieldDidExpand(XFSearchField *) { }
};

// A search field that collapses to its magnifier button and widens again
// with an eased animation; its pill background fades with the width. The
// magnifier clears the text and toggles the width.
class XFSearchField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int currentWidth READ currentWidth WRITE setCurrentWidth)

public:
    static constexpr int CollapsedWidth = 26;

    explicit XFSearchField(QWidget *parent = nullptr);

    bool isCollapsed() const { return collapsed_; }
    void setIsCollapsed(bool collapse);
    void toggleWidth() { setIsCollapsed(!collapsed_); }

    int collapsedWidth() const { return CollapsedWidth; }
    int expandedWidth() const { return expandedWidth_; }
    void setExpandedWidth(int width);
    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds) { animationDuration_ = seconds; }

    void setDelegate(XFSearchFieldDelegate *delegate) { delegate_ = delegate; }

    // How far the field is expanded: 0 collapsed, 1 fully expanded.
    double expansion() const;

    int currentWidth() const { return width(); }
    void setCurrentWidth(int width);

    // The magnifier's action: clear the text, then toggle the width.
    void search();

Q_SIGNALS:
    void collapsedChanged(bool collapsed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    XFSearchFieldDelegate *delegate_ = nullptr;
    bool collapsed_ = true;
    bool animating_ = false;
    int expandedWidth_ = 200;
    double animationDuration_ = 0.2;
};
