#pragma once

#include <QFont>
#include <QPushButton>

class QSvgRenderer;

// The painted key cap every page uses. It paints itself rather than taking a
// style sheet: with one sheet per key, parsing and polishing 79 of them was a
// large part of opening the window. Font size and paddings follow the size.
class SimKeyButton : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimKeyButton)

public:
    explicit SimKeyButton(const QString &text, QWidget *parent = nullptr);

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
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    QFont keyFont(int pixelSize) const;
    // The fitted font, worked out again only when what it depends on changed.
    QFont fittedFont() const;

    struct FitKey
    {
        QString text;
        QSize size;
        int minimum = 0;
        int maximum = 0;
        bool fixed = false;
        bool hasIcon = false;
        QString family;
        bool operator==(const FitKey &o) const
        {
            return text == o.text && size == o.size && minimum == o.minimum && maximum == o.maximum &&
                   fixed == o.fixed && hasIcon == o.hasIcon && family == o.family;
        }
    };
    mutable FitKey m_fitKey;
    mutable int m_fitPixelSize = -1;
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
