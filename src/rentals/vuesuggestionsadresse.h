#pragma once

// The list of address completions under the address field: one row per completion (its title,
// then its subtitle in small secondary text, a thin line under each row). A click anywhere on
// a row, or Return on the current row, reports that completion.

#include "platform/adresseservice.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <functional>

namespace kv {

// Completions as rows: DisplayRole the title, SousTitreRole the subtitle.
class ModeleLieux : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int SousTitreRole = Qt::UserRole + 1;
    using QAbstractListModel::QAbstractListModel;
    void setLieux(const QList<Lieu>& lieux);
    const QList<Lieu>& lieux() const { return m_lieux; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<Lieu> m_lieux;
};

// Paints a title over a secondary subtitle, with 6 points of margin and a line under the row.
class DelegueLieu : public QStyledItemDelegate {
public:
    explicit DelegueLieu(bool titreGras, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), m_titreGras(titreGras) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    bool m_titreGras;
};

class VueSuggestionsAdresse : public QListView {
    Q_OBJECT
public:
    VueSuggestionsAdresse(const QList<Lieu>& suggestions, std::function<void(const Lieu&)> onSelection,
                          QWidget* parent = nullptr);

    void setSuggestions(const QList<Lieu>& suggestions);
    const QList<Lieu>& suggestions() const { return m_modele->lieux(); }
    // The rectangle of row `row`, in the viewport.
    QRect rectangleLigne(int row) const { return visualRect(m_modele->index(row)); }

    static constexpr int kHauteurMax = 120;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choisir(const QModelIndex& index);
    ModeleLieux* m_modele;
    std::function<void(const Lieu&)> m_onSelection;
};

} // namespace kv
