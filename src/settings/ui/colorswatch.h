#pragma once

#include <QFrame>

// A text-less colour field in a sunken bevel that reports clicks; the colour is kept as
// 0x00BBGGRR like every colour of the program.
class ColorSwatch : public QFrame
{
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    int color() const { return m_color; }
    void setColor(int color);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_color = 0;
};
