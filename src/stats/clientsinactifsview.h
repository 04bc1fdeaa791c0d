#pragma once

#include "statsfigures.h"

#include "model/query.h"
#include "model/records.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QWidget>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QListView;

namespace kv {

class ChoixSegmente;
class SourceStatistiques;

// The rows of the inactive clients, with row-level signals when they change.
class LignesClientsInactifsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { NomRole = Qt::UserRole + 1, InformationRole, CouleurRole, TelephoneRole, TelephoneVisibleRole,
                EmailRole, EmailVisibleRole };

    LignesClientsInactifsModel(qint64 refDate, const QTimeZone& zone, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Brings the shown rows to `rows`: rows gone are removed, new ones inserted, moved ones
    // moved, the others updated in place.
    void setLignes(const QList<stats::LigneClientInactif>& rows);
    const QList<stats::LigneClientInactif>& lignes() const { return m_lignes; }

private:
    qint64 m_refDate;
    QTimeZone m_zone;
    QList<stats::LigneClientInactif> m_lignes;
};

// Paints one row: the client's colour, name and activity, the phone with "Copier tél." and the
// "E-mail" button, and turns clicks on the buttons into signals.
class ClientInactifDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the buttons of a row stand (empty when the row has none).
    static QRect rectCopier(const QStyleOptionViewItem& option, const QModelIndex& index);
    static QRect rectEmail(const QStyleOptionViewItem& option, const QModelIndex& index);

    // The name and the information as painted in a row: cut to the room the phone and the
    // buttons leave, the information line giving way before its count does; under the texts,
    // the information on two lines (the last activity, then the count).
    static QStringList textesAffiches(const QStyleOptionViewItem& option, const QModelIndex& index);
    // The row width that shows the information whole beside the phone and the buttons.
    static int largeurUneLigne(const QStyleOptionViewItem& option, const QModelIndex& index);

    // The button of the current row that the keyboard is on, drawn with its focus while the list
    // has the keyboard; none: the row itself is framed.
    enum class Bouton { aucun, copier, email };
    Bouton boutonClavier() const { return m_bouton; }
    void setBoutonClavier(Bouton bouton) { m_bouton = bouton; }
    // The buttons a row shows, in Tab order.
    static QList<Bouton> boutons(const QModelIndex& index);

    // Rows with the phone and the buttons under the texts, which then have the whole width.
    bool actionsDessous() const { return m_actionsDessous; }
    void setActionsDessous(bool dessous);
    // The row width that holds the phone beside the buttons (0 without a phone).
    static int largeurActions(const QStyleOptionViewItem& option, const QModelIndex& index);
    // Narrower rows have the phone on a line of its own, over the buttons.
    bool telephoneAPart() const { return m_telephoneAPart; }
    void setTelephoneAPart(bool aPart);
    // The phone as painted in a row (cut with "…" only when its own line is too short for it).
    static QString telephoneAffiche(const QStyleOptionViewItem& option, const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    // A row whose texts are cut shows them whole in its tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void copierTelephone(const QModelIndex& index);
private:
    // The right end of the texts: left of the phone and the buttons.
    static int finDesTextes(const QStyleOptionViewItem& option, const QModelIndex& index);
    static int debutDesTextes(const QStyleOptionViewItem& option);
    bool m_actionsDessous = false;
    bool m_telephoneAPart = false;
    Bouton m_bouton = Bouton::aucun;
public:
signals:
    void ecrire(const QModelIndex& index);
};

// "Clients inactifs": the clients without activity for 3, 6 or 12 months, longest inactive
// first, with the clients that never rented when asked.
class ClientsInactifsView : public QWidget {
    Q_OBJECT
public:
    ClientsInactifsView(SourceStatistiques* source, qint64 refDate, QWidget* parent = nullptr);

    int seuilMois() const { return m_seuilMois; }
    void setSeuilMois(int mois);
    bool inclureJamaisLoues() const { return m_inclureJamaisLoues; }
    void setInclureJamaisLoues(bool inclure);

    const QList<stats::LigneClientInactif>& rows() const { return m_model->lignes(); }
    QListView* liste() const { return m_liste; }
    ChoixSegmente* choixSeuil() const { return m_choixSeuil; }
    QCheckBox* caseJamaisLoues() const { return m_jamais; }
    // What stands in place of the list when no client is inactive.
    QLabel* texteAucun() const { return m_aucun; }

    // The actions of a row's buttons.
    void copierTelephone(int row);
    void ecrire(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recalculer();
    // The phone and the buttons go under the texts while a row cannot show its information
    // beside them; the phone on its own line while it cannot stand beside the buttons.
    void ajusterHauteurLignes();
    void menuLigne(const QPoint& position);
    // Tab and Shift+Tab go through the current row's buttons before leaving the list; Return,
    // Enter and Space press the button the keyboard is on. True when the key was taken.
    bool toucheDansLaListe(QKeyEvent* event);
    void montrerBouton(ClientInactifDelegate::Bouton bouton);

    SourceStatistiques* m_source;
    qint64 m_refDate;
    int m_seuilMois = 6;
    bool m_inclureJamaisLoues = true;
    Query<Client> m_clients;
    LignesClientsInactifsModel* m_model;
    QListView* m_liste;
    ChoixSegmente* m_choixSeuil;
    QCheckBox* m_jamais;
    QLabel* m_aucun;
    QPersistentModelIndex m_survol; // the row under the pointer
    ClientInactifDelegate* m_delegate;
    int m_largeurUneLigne = 0; // the widest row's need, measured when the rows change
    int m_largeurActions = 0;  // the widest phone and buttons, likewise
};

} // namespace kv
