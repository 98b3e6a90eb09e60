#pragma once

#include <QToolButton>

// A button drawn as its image only: no border or bezel, the pressed image
// shown while it is held.
class BorderlessButton : public QToolButton {
    Q_OBJECT

public:
    explicit BorderlessButton(QWidget *parent = nullptr);
};
