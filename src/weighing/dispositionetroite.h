#pragma once

// What lets the ticket form stand in a narrow pane without scrolling sideways: rows that fold
// their widgets into a column, a button whose text gives way with "…", and a field table whose
// labels go above their fields when the pane is too narrow to hold them beside.

#include "widgets/foldingrow.h"

#include <QPushButton>

#include <optional>

class QLabel;


namespace kv {

namespace forms {
class FormRowsLayout;
}

// A folding row whose widgets may narrow once folded (a text cut with "…"): folded, it is as
// wide as its widest widget at that widget's minimum.
class RangeePliable : public FoldingRow {
public:
    using FoldingRow::FoldingRow;
    QSize minimumSizeHint() const override;
};

// A push button that asks for its whole text but settles for its symbol and a few letters; the
// text cut with "…" is whole in its tool tip, after the button's own tip.
class BoutonAbrege : public QPushButton {
public:
    BoutonAbrege(const QIcon& icon, const QString& texte, QWidget* parent = nullptr);

    QString texteEntier() const { return m_texte; }
    // The button's own tool tip (the whole text is added to it when cut).
    void setBulle(const QString& bulle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void abreger();

    QString m_texte;
    QString m_bulle;
};

// A field table: each row a label and its field, the labels beside the fields where the width
// holds them, else each label above its field (the editors' form rows).
class TableChamps : public QWidget {
public:
    explicit TableChamps(QWidget* parent = nullptr);

    // A row, its label beside the field or above it; an empty label leaves the labels' column
    // empty beside the field (and nothing above it once stacked). `alignement` places a field
    // that keeps its own width.
    // `compagnon` is the control the label names when the field is a row of several widgets.
    void ajouter(const QString& libelle, QWidget* champ, Qt::Alignment alignement = {},
                 QWidget* compagnon = nullptr);
    bool empile() const;

private:
    forms::FormRowsLayout* m_rangees;
};

class MacSectionHeader;
// Gives a section header a subtitle that wraps under its title (the header's own subtitle is cut
// with "…", being often a name).
QLabel* ajouterSousTitreRepliable(MacSectionHeader* entete, const QString& sousTitre);

} // namespace kv
