#pragma once

#include <QWidget>

#include <optional>

class QHBoxLayout;
class QVBoxLayout;
class QLabel;

namespace kv {

class ElidedLabel;

// The header of a section of a list or form: an optional symbol, a title, an optional subtitle,
// a row of badges, trailing actions, an optional card background and an optional bottom divider.
// `badges` and `actions` may be null (nothing shown); the header takes ownership of them.
class MacSectionHeader : public QWidget {
    Q_OBJECT
public:
    MacSectionHeader(const QString& title, const std::optional<QString>& subtitle,
                     const std::optional<QString>& systemImage, bool prominent, bool showsDivider,
                     qreal dividerOffset, qreal dividerInset, qreal dividerHPadding,
                     QWidget* badges, QWidget* actions, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    bool showsSubtitle() const;
    bool showsSymbol() const;
    bool prominent() const { return m_prominent; }
    bool showsDivider() const { return m_showsDivider; }

    // Where the divider is drawn (empty when there is none). It never changes the header's size.
    QLineF dividerLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    bool m_prominent;
    bool m_showsDivider;
    qreal m_dividerOffset;
    qreal m_dividerInset;
    qreal m_dividerHPadding;
    QLabel* m_symbol = nullptr;
    ElidedLabel* m_subtitle = nullptr;
};

// A small capsule label with an optional icon: `customIcon` when given (the tag takes
// ownership), else the symbol, else none.
class MacTag : public QWidget {
    Q_OBJECT
public:
    MacTag(const QString& text, const std::optional<QString>& systemImage = std::nullopt,
           QWidget* customIcon = nullptr, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // The icon shown before the text, or null.
    QWidget* iconWidget() const { return m_icon; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QWidget* m_icon = nullptr;
};

// The layout of a list screen: its prominent section header centred at the top, a little below
// the window's edge; the screen adds its list and pane under it.
QVBoxLayout* layoutUnderHeader(QWidget* screen, const QString& title, const QString& subtitle,
                               const QString& systemImage);

} // namespace kv
