#pragma once

#include <QWidget>

#include <bitset>

class FontTables;

// All 256 symbols at a glance, 16 to a row, each as a small picture of its dots: the current
// one dark, the ones the message uses tinted (red when they are blank, and not a blank by design),
// blank ones grey.
// Symbols below 32 are shown but never chosen. A click, the arrow keys or a typed character
// choose a symbol; the window makes it current.
class FontOverview : public QWidget {
    Q_OBJECT

public:
    static constexpr int Pitch = 18; // a 16-pixel picture and a line
    static constexpr int Side = 16 * Pitch + 1;

    FontOverview(const FontTables& font, QWidget* parent);

    void setCurrent(int n);
    int current() const { return m_current; }
    void setUsed(const std::bitset<256>& used);
    const std::bitset<256>& used() const { return m_used; }
    // The symbol under a point, or -1.
    static int symbolAt(QPoint p);
    static QRect cellOf(int n);

    QSize sizeHint() const override { return {Side, Side}; }

signals:
    void symbolChosen(int n);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void choose(int n);

    const FontTables& m_font;
    int m_current = 32;
    std::bitset<256> m_used;
};
