#include "choixsegmente.h"

#include <QAccessible>
#include "widgets/flowlayout.h"
#include "widgets/colors.h"
#include "widgets/focusstyle.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <optional>

namespace kv {

namespace {

// A segment draws the keyboard's frame while its choice has the focus and it is the one the
// arrow keys start from: the chosen segment, else the first.
class Segment : public QPushButton {
public:
    Segment(const QString& text, ChoixSegmente* choix) : QPushButton(text, choix), m_choix(choix) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPushButton::paintEvent(event);
        if (m_choix->hasFocus() && m_choix->segmentClavier() == this) {
            QPainter p(this);
            paintFocusFrame(&p, rect(), palette(), isChecked());
        }
    }

private:
    ChoixSegmente* m_choix;
};

} // namespace

ChoixSegmente::ChoixSegmente(const QString& label, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(label, this)), m_segments(new FlowLayout(this, 0, 4)), m_groupe(new QButtonGroup(this))
{
    // The label, then the segments side by side; those that the width cannot hold go on to the
    // next lines, every one whole.
    m_label->setContentsMargins(0, 0, 8, 0);
    m_segments->addWidget(m_label);
    m_label->setVisible(!label.isEmpty());
    m_groupe->setExclusive(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(m_groupe, &QButtonGroup::idClicked, this, [this](int id) {
        if (id >= 0 && id < m_valeurs.size())
            emit choisi(m_valeurs[id]);
    });
    // A screen reader on the choice reads its label and the chosen segment; each segment says
    // whether it is the chosen one.
    setAccessibleName(label);
    connect(m_groupe, &QButtonGroup::buttonToggled, this, [this] { direChoix(); });
    direChoix();
}

void ChoixSegmente::direChoix()
{
    const QAbstractButton* choisi = m_groupe->checkedButton();
    const QString texte = choisi ? choisi->text() + QStringLiteral(" (choisi)") : QStringLiteral("Aucun choix");
    if (texte == accessibleDescription())
        return;
    setAccessibleDescription(texte);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ChoixSegmente::setOptions(const QList<std::pair<QString, QVariant>>& options)
{
    const QVariant avant = valeur();
    for (QAbstractButton* b : m_groupe->buttons()) {
        m_groupe->removeButton(b);
        delete b;
    }
    m_valeurs.clear();
    const int n = int(options.size());
    for (int i = 0; i < n; ++i) {
        auto* b = new Segment(options[i].first, this);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_groupe->addButton(b, i);
        m_segments->addWidget(b);
        m_valeurs.append(options[i].second);
    }
    arrondir();
    setValeur(avant);
}

void ChoixSegmente::arrondir()
{
    // Rounded ends on the outer segments of each line only, so that each line reads as one
    // control.
    const QList<QAbstractButton*> boutons = m_groupe->buttons();
    // The chosen segment in the selection's colour, written in the ink that reads on it (the
    // selection's own text colour does not on every desktop's blue).
    const QColor choisi = palette().color(QPalette::Active, QPalette::Highlight);
    for (int i = 0; i < boutons.size(); ++i) {
        QAbstractButton* b = m_groupe->button(i);
        const QAbstractButton* avant = i > 0 ? m_groupe->button(i - 1) : nullptr;
        const QAbstractButton* apres = i + 1 < boutons.size() ? m_groupe->button(i + 1) : nullptr;
        const bool debut = !avant || avant->y() != b->y();
        const bool fin = !apres || apres->y() != b->y();
        const QString style = QStringLiteral("QPushButton { border: 1px solid palette(mid); border-radius: 0;"
                                             " border-top-left-radius: %1px; border-bottom-left-radius: %1px;"
                                             " border-top-right-radius: %2px; border-bottom-right-radius: %2px;"
                                             " padding: 3px 12px; background: palette(base); }"
                                             " QPushButton:checked { background: %3; color: %4; }")
                                  .arg(debut ? 6 : 0)
                                  .arg(fin ? 6 : 0)
                                  .arg(choisi.name(), textColorOn(choisi).name());
        if (b->styleSheet() != style)
            b->setStyleSheet(style);
    }
}

void ChoixSegmente::resizeEvent(QResizeEvent* event)
{
    // The layout has placed the segments: their lines are known.
    QWidget::resizeEvent(event);
    arrondir();
}

QStringList ChoixSegmente::textes() const
{
    QStringList t;
    for (int i = 0; i < m_valeurs.size(); ++i)
        t.append(m_groupe->button(i)->text());
    return t;
}

QVariant ChoixSegmente::valeur() const
{
    const int id = m_groupe->checkedId();
    return id >= 0 && id < m_valeurs.size() ? m_valeurs[id] : QVariant();
}

void ChoixSegmente::setValeur(const QVariant& valeur)
{
    const int i = int(m_valeurs.indexOf(valeur));
    if (i >= 0) {
        m_groupe->button(i)->setChecked(true);
        return;
    }
    // None chosen: lift the exclusivity to clear the current one.
    m_groupe->setExclusive(false);
    for (QAbstractButton* b : m_groupe->buttons())
        b->setChecked(false);
    m_groupe->setExclusive(true);
}

QAbstractButton* ChoixSegmente::segment(int i) const
{
    return m_groupe->button(i);
}

int ChoixSegmente::nombreSegments() const
{
    return int(m_valeurs.size());
}

QAbstractButton* ChoixSegmente::segmentClavier() const
{
    if (m_valeurs.isEmpty())
        return nullptr;
    const int courant = m_groupe->checkedId();
    return m_groupe->button(courant >= 0 ? courant : 0);
}

void ChoixSegmente::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (QAbstractButton* b = segmentClavier())
        b->update();
}

void ChoixSegmente::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (QAbstractButton* b = segmentClavier())
        b->update();
}

void ChoixSegmente::keyPressEvent(QKeyEvent* event)
{
    // ← and → step to the neighbour, stopping at the ends; Home and End go to the ends.
    const int n = int(m_valeurs.size());
    const int courant = m_groupe->checkedId();
    std::optional<int> cible;
    switch (event->key()) {
    case Qt::Key_Left: cible = courant < 0 ? 0 : courant - 1; break;
    case Qt::Key_Right: cible = courant < 0 ? 0 : courant + 1; break;
    case Qt::Key_Home: cible = 0; break;
    case Qt::Key_End: cible = n - 1; break;
    default: break;
    }
    if (!cible || n == 0 || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int i = std::clamp(*cible, 0, n - 1);
    if (i == courant)
        return;
    QAbstractButton* avant = segmentClavier();
    m_groupe->button(i)->setChecked(true);
    if (avant)
        avant->update();
    m_groupe->button(i)->update();
    emit choisi(m_valeurs[i]);
}

} // namespace kv
