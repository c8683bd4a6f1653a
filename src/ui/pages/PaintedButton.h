#pragma once

#include <QFont>
#include <QPushButton>

#include <optional>
#include <tuple>

class QSvgRenderer;

// The painted key cap of every page, and the header's Import, Export and Reset.
// It paints itself rather than taking a style sheet: with one sheet per key,
// parsing and polishing 79 of them was a large part of opening the window.
// Font size and paddings follow the size.
class PaintedButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaintedButton)

public:
    explicit PaintedButton(const QString &text, QWidget *parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setFontFamily(const QString &family);
    void setFontPixelSizeRange(int a, int b);
    void setBorderRadius(int radius);
    void setBorderWidth(int width);
    void setFixedFontSize(bool fixed);
    void setTopIconSvg(const QString &path);

    int minimumFontPixelSize() const { return m_minFontPixelSize; }
    int maximumFontPixelSize() const { return m_maxFontPixelSize; }
    bool isFixedFontSize() const { return m_fixedFontSize; }
    QString topIconSvg() const { return m_topIconPath; }
    bool hasTopIcon() const;

    int resolvedHorizontalPadding() const;
    int resolvedFontPixelSize() const;
    // What is painted: the text, or, when it does not fit even at the smallest
    // size, its two-line form or its elided form (the full text is the tooltip).
    QString shownText() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QFont keyFont(int pixelSize) const;
    // The fitted font and the text as painted, worked out again only when
    // what they depend on has changed: paints and hovers reuse them.
    void fit() const;

    using FitInputs = std::tuple<QString, QSize, int, int, int, bool, bool, QString>;
    mutable std::optional<FitInputs> m_fitInputs;
    mutable QFont m_fitFont;
    mutable QString m_fitShown;
    bool m_hovered = false;
    bool m_pressed = false;
    bool m_selected = false;
    QString m_fontFamily;
    int m_minFontPixelSize = 11;
    int m_maxFontPixelSize = 16;
    int m_borderRadius = 8;
    int m_borderWidth = 1;
    bool m_fixedFontSize = false;
    QSvgRenderer *m_topIconRenderer = nullptr;
    QString m_topIconPath;
};
