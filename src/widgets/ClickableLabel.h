#pragma once

#include <QLabel>

// A label or picture that reacts to a click of the left mouse button.
class ClickableLabel final : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
