#pragma once

#include <QWidget>

// A window that shows every small control in its states, for people to look
// at: `reviewkeeper --gallery`.
class Gallery : public QWidget {
    Q_OBJECT

public:
    explicit Gallery(QWidget *parent = nullptr);
};
