#pragma once

#include <QVariant>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QAbstractButton;

namespace kv {

class FlowLayout;

// A segmented choice: a label, then side-by-side segments of which exactly one is chosen, on as
// many lines as the width needs. ← and → move the choice between segments, Home and End to the
// ends; a click on the chosen one keeps it. With the focus, the chosen segment (else the first)
// is framed as every focused item is.
class ChoixSegmente : public QWidget {
    Q_OBJECT
public:
    explicit ChoixSegmente(const QString& label, QWidget* parent = nullptr);

    // Replaces the segments: their texts and values.
    void setOptions(const QList<std::pair<QString, QVariant>>& options);
    QStringList textes() const;
    QVariant valeur() const;
    // Chooses the segment holding `valeur` (none chosen when no segment holds it); no signal.
    void setValeur(const QVariant& valeur);
    QAbstractButton* segment(int i) const;
    int nombreSegments() const;
    // The segment the keys start from: the chosen one, else the first (null when none).
    QAbstractButton* segmentClavier() const;

signals:
    // The user chose a segment.
    void choisi(const QVariant& valeur);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrondir();
    void direChoix();
    QLabel* m_label;
    FlowLayout* m_segments;
    QButtonGroup* m_groupe;
    QList<QVariant> m_valeurs;
};

} // namespace kv
