#pragma once

#include <QVariant>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QAbstractButton;

namespace kv {

class FlowLayout;

// A segmented choice: a label, then side-by-side segments of which exactly one is chosen, on as
// many lines as the width needs. Arrow
// keys move the choice between segments; a click on the chosen one keeps it.
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

signals:
    // The user chose a segment.
    void choisi(const QVariant& valeur);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrondir();
    QLabel* m_label;
    FlowLayout* m_segments;
    QButtonGroup* m_groupe;
    QList<QVariant> m_valeurs;
};

} // namespace kv
