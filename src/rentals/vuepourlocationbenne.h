#pragma once

// The skips that can be rented, grouped by kind (volume and colour), one card per kind with the
// number of skips; a card is dragged as the id of its first skip, in plain text. Two check
// boxes widen the choice to dirty skips and to skips fitted with a special device.

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;

namespace kv {

class Benne;
class Client;
class DispositifSpecial;

// The kind shown on a card.
struct TypeBenneDisponible {
    double volume = 0;
    QString couleur;
    DispositifSpecial* dispositif = nullptr;
    bool operator==(const TypeBenneDisponible&) const = default;
};

struct GroupeDeBennes {
    TypeBenneDisponible type;
    QList<Benne*> bennes;
    // "10.0-FF0000": the volume in its default decimal text (a whole number keeps ".0").
    QString id() const;
    bool operator==(const GroupeDeBennes&) const = default;
};

// The groups of the available skips, by ascending volume (a stable order).
QList<GroupeDeBennes> groupes(const QList<Benne*>& bennes, bool afficherBennesSales, bool inclureDispositifsSpeciaux);

// The drag payload of a card: the text of its first skip's id, or nothing for an empty group.
std::optional<QString> fournisseurGlisser(const GroupeDeBennes& groupe);

// The card of one group, painted in its row: the box symbol, "10 m³" with its colour swatch (grey
// for a colour that does not read), the device and "Disponibles : n".
class VueGroupeBenne : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The cards as rows; each row drags as plain text.
class ModeleGroupes : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void setGroupes(const QList<GroupeDeBennes>& groupes);
    const QList<GroupeDeBennes>& groupes() const { return m_groupes; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

private:
    QList<GroupeDeBennes> m_groupes;
};

class VuePourLocationBenne : public QWidget {
    Q_OBJECT
public:
    VuePourLocationBenne(std::function<QList<Benne*>()> bennes, Client* client, std::function<void()> onCancel,
                         QWidget* parent = nullptr);

    QCheckBox* caseBennesSales() const { return m_sales; }
    QCheckBox* caseDispositifs() const { return m_dispositifs; }
    QListView* liste() const { return m_liste; }
    const QList<GroupeDeBennes>& groupesAffiches() const { return m_modele->groupes(); }
    Client* client() const { return m_client; }
    void annuler() { if (m_onCancel) m_onCancel(); }
    // Computes the groups again (the fleet changed).
    void actualiser();

private:
    std::function<QList<Benne*>()> m_bennes;
    Client* m_client;
    std::function<void()> m_onCancel;
    QCheckBox* m_sales;
    QCheckBox* m_dispositifs;
    QListView* m_liste;
    ModeleGroupes* m_modele;
};

} // namespace kv
