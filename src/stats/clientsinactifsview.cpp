#include "clientsinactifsview.h"

#include "model/helpers.h"
#include "choixsegmente.h"
#include "sourcestatistiques.h"
#include "statscharts.h"

#include "platform/maillink.h"
#include "widgets/colors.h"
#include "widgets/flowlayout.h"
#include "widgets/forms/formstyle.h"
#include "widgets/focusstyle.h"
#include "widgets/sharedannouncement.h"
#include "widgets/icons.h"
#include "widgets/listkeys.h"
#include "widgets/plaintext.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

namespace kv {

using namespace stats;

// ---------------------------------------------------------------------------------------------

LignesClientsInactifsModel::LignesClientsInactifsModel(qint64 refDate, const QTimeZone& zone, QObject* parent)
    : QAbstractListModel(parent), m_refDate(refDate), m_zone(zone)
{
}

int LignesClientsInactifsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lignes.size());
}

namespace {
// The row's texts and buttons, as painted and as read.
const QString kCopier = QStringLiteral("Copier tél.");
const QString kEmail = QStringLiteral("E-mail");
const QString kTel = QStringLiteral("Tél : ");
} // namespace

QVariant LignesClientsInactifsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lignes.size())
        return {};
    const LigneClientInactif& l = m_lignes[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case NomRole: return l.nom;
    case InformationRole: return ligneInformation(l, m_refDate, m_zone);
    case CouleurRole: return couleurOuGris(l.couleurHex);
    case TelephoneRole: return l.telephone;
    case TelephoneVisibleRole: return telephoneVisible(l.telephone);
    case EmailRole: return l.email.value_or(QString());
    case EmailVisibleRole: return emailVisible(l.email);
    case Qt::AccessibleTextRole: {
        // Read as it is painted: the client, its last activity and count, its phone.
        QString texte = l.nom + QStringLiteral(", ") + ligneInformation(l, m_refDate, m_zone);
        if (telephoneVisible(l.telephone))
            texte += QStringLiteral(", ") + kTel + l.telephone;
        return texte;
    }
    case Qt::AccessibleDescriptionRole: {
        // The row's buttons, reached with Tab.
        QStringList boutons;
        if (telephoneVisible(l.telephone))
            boutons.append(kCopier);
        if (emailVisible(l.email))
            boutons.append(kEmail);
        return boutons.isEmpty() ? QString() : QStringLiteral("Boutons (Tab) : ") + boutons.join(QStringLiteral(", "));
    }
    default: return {};
    }
}

void LignesClientsInactifsModel::setLignes(const QList<LigneClientInactif>& rows)
{
    QSet<QUuid> gardes;
    for (const LigneClientInactif& r : rows)
        gardes.insert(r.id);
    for (int i = int(m_lignes.size()) - 1; i >= 0; --i) {
        if (gardes.contains(m_lignes[i].id))
            continue;
        beginRemoveRows({}, i, i);
        m_lignes.removeAt(i);
        endRemoveRows();
    }
    for (int i = 0; i < rows.size(); ++i) {
        if (i < m_lignes.size() && m_lignes[i].id == rows[i].id) {
            if (!(m_lignes[i] == rows[i])) {
                m_lignes[i] = rows[i];
                emit dataChanged(index(i), index(i));
            }
            continue;
        }
        int j = -1;
        for (int k = i + 1; k < m_lignes.size(); ++k)
            if (m_lignes[k].id == rows[i].id) {
                j = k;
                break;
            }
        if (j >= 0) {
            beginMoveRows({}, j, j, {}, i);
            m_lignes.move(j, i);
            endMoveRows();
            m_lignes[i] = rows[i];
            emit dataChanged(index(i), index(i));
        } else {
            beginInsertRows({}, i, i);
            m_lignes.insert(i, rows[i]);
            endInsertRows();
        }
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr int kMarge = 12;
constexpr int kEspace = 10;

QFont policeNom(const QFont& base)
{
    return fontForStyle(TextStyle::headline, base);
}

QFont policeInfo(const QFont& base)
{
    return fontForStyle(TextStyle::caption, base);
}

QSize tailleBouton(const QString& texte, const QFont& police)
{
    const QFontMetrics fm(police);
    return QSize(fm.horizontalAdvance(texte) + 14 + 6 + 20, fm.height() + 10);
}


QRect boutonADroite(const QRect& ligne, int droite, const QString& texte, const QFont& police)
{
    const QSize s = tailleBouton(texte, police);
    return QRect(droite - s.width(), ligne.center().y() - s.height() / 2, s.width(), s.height());
}

// The height of the name and `lignes` information lines.
int hauteurTextes(const QFont& base, int lignes)
{
    return QFontMetrics(policeNom(base)).height() + lignes * (2 + QFontMetrics(policeInfo(base)).height());
}

// The phone's own line, between the texts and the buttons of a narrow row.
int hauteurTelephone(const QFont& base)
{
    return QFontMetrics(base).height() + 4;
}

// A row's height: the texts beside the phone and the buttons, or above them, the phone on a
// line of its own when `telephoneAPart`.
int hauteurRangee(const QFont& base, bool actionsDessous, bool telephoneAPart = false)
{
    // Under the texts, the information takes two lines: the last activity, then the count.
    const int textes = hauteurTextes(base, actionsDessous ? 2 : 1)
                       + (actionsDessous && telephoneAPart ? hauteurTelephone(base) : 0);
    const int boutons = tailleBouton(kCopier, base).height();
    return (actionsDessous ? textes + 6 + boutons : std::max(textes, boutons)) + 16;
}

// Rows tall enough for it have their phone and buttons under the texts.
bool sousLesTextes(const QStyleOptionViewItem& option)
{
    return option.rect.height() >= hauteurRangee(option.font, true);
}

// Rows taller still have the phone on its own line, over the buttons.
bool telephoneSeul(const QStyleOptionViewItem& option)
{
    return option.rect.height() >= hauteurRangee(option.font, true, true);
}

// Where the phone and the buttons stand: the whole row, or its bottom band.
QRect bandeActions(const QStyleOptionViewItem& option)
{
    if (!sousLesTextes(option))
        return option.rect;
    const int h = tailleBouton(kCopier, option.font).height();
    return QRect(option.rect.left(), option.rect.bottom() - 8 - h + 1, option.rect.width(), h);
}

// Where the name and the information stand: the whole row, or its top band.
QRect bandeTextes(const QStyleOptionViewItem& option)
{
    if (!sousLesTextes(option))
        return option.rect;
    return QRect(option.rect.left(), option.rect.top() + 8, option.rect.width(), hauteurTextes(option.font, 2));
}

// Where the phone stands: beside the buttons, or on its own line under the texts.
QRect bandeTelephone(const QStyleOptionViewItem& option)
{
    if (!telephoneSeul(option))
        return bandeActions(option);
    const QRect textes = bandeTextes(option);
    return QRect(option.rect.left(), textes.bottom() + 1 + 4, option.rect.width(), QFontMetrics(option.font).height());
}

void dessinerBouton(QPainter* p, const QStyleOptionViewItem& option, const QRect& r, const QString& texte,
                    const QString& symbole, bool focus)
{
    QStyleOptionButton b;
    b.rect = r;
    b.text = texte;
    b.icon = symbolIcon(symbole);
    b.iconSize = QSize(14, 14);
    b.state = QStyle::State_Enabled | QStyle::State_Raised;
    // Under the pointer, the button lights up as a real one would.
    if (const auto* vue = qobject_cast<const QAbstractItemView*>(option.widget)) {
        const QWidget* zone = vue->viewport();
        if (zone->underMouse() && r.contains(zone->mapFromGlobal(QCursor::pos())))
            b.state |= QStyle::State_MouseOver;
    }
    b.palette = option.palette;
    b.fontMetrics = option.fontMetrics;
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &b, p, w);
    // The keyboard's button is framed as every focused control is.
    if (focus)
        paintFocusFrame(p, r, option.palette, false);
}

} // namespace

QRect ClientInactifDelegate::rectEmail(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!index.data(LignesClientsInactifsModel::EmailVisibleRole).toBool())
        return {};
    return boutonADroite(bandeActions(option), option.rect.right() - kMarge, kEmail, option.font);
}

QRect ClientInactifDelegate::rectCopier(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!index.data(LignesClientsInactifsModel::TelephoneVisibleRole).toBool())
        return {};
    const QRect email = rectEmail(option, index);
    const int droite = email.isNull() ? option.rect.right() - kMarge : email.left() - kEspace;
    return boutonADroite(bandeActions(option), droite, kCopier, option.font);
}

QSize ClientInactifDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // Rows take the list's width; they ask only for room for their two buttons, so that a
    // narrow list puts the phone and the buttons under the texts instead of scrolling sideways.
    const int boutons = tailleBouton(kCopier, option.font).width() + kEspace + tailleBouton(kEmail, option.font).width();
    return QSize(boutons + 2 * kMarge, hauteurRangee(option.font, m_actionsDessous, m_telephoneAPart));
}

void ClientInactifDelegate::setActionsDessous(bool dessous)
{
    m_actionsDessous = dessous;
}

void ClientInactifDelegate::setTelephoneAPart(bool aPart)
{
    m_telephoneAPart = aPart;
}

int ClientInactifDelegate::largeurActions(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!index.data(LignesClientsInactifsModel::TelephoneVisibleRole).toBool())
        return 0;
    const QFontMetrics fm(option.font);
    const QString tel = index.data(LignesClientsInactifsModel::TelephoneRole).toString();
    int boutons = tailleBouton(kCopier, option.font).width();
    if (index.data(LignesClientsInactifsModel::EmailVisibleRole).toBool())
        boutons += kEspace + tailleBouton(kEmail, option.font).width();
    return debutDesTextes(option) - option.rect.left() + fm.horizontalAdvance(kTel) + fm.horizontalAdvance(tel)
           + kEspace + boutons + kMarge + 1;
}

QString ClientInactifDelegate::telephoneAffiche(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QString tel = index.data(LignesClientsInactifsModel::TelephoneRole).toString();
    const QFontMetrics fm(option.font);
    int place = 0;
    if (telephoneSeul(option)) {
        place = option.rect.right() - kMarge - debutDesTextes(option) - fm.horizontalAdvance(kTel);
    } else {
        const QRect copier = rectCopier(option, index);
        place = copier.left() - kEspace - debutDesTextes(option) - fm.horizontalAdvance(kTel);
    }
    return fm.elidedText(tel, Qt::ElideRight, std::max(0, place));
}

int ClientInactifDelegate::largeurUneLigne(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QFontMetrics info(policeInfo(option.font));
    const int texte = info.horizontalAdvance(index.data(LignesClientsInactifsModel::InformationRole).toString());
    // What the row gives the texts is its width less what stands on both sides of them.
    const int autour = debutDesTextes(option) - option.rect.left() + option.rect.right() - finDesTextes(option, index);
    return texte + autour + 1;
}

void ClientInactifDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    if (option.state & QStyle::State_Selected) {
        // A tint of the selection over the list's own background: the row's texts keep their
        // colours and read on it under a light or a dark palette alike.
        QColor teinte = option.palette.color(QPalette::Highlight);
        teinte.setAlphaF(0.3f);
        p->fillRect(option.rect, teinte);
    }
    // A hairline between rows.
    p->setPen(QPen(option.palette.color(QPalette::Midlight), 1));
    p->drawLine(option.rect.bottomLeft() + QPoint(kMarge, 0), option.rect.bottomRight() - QPoint(kMarge, 0));

    const QRect r = bandeTextes(option).adjusted(kMarge, 0, -kMarge, 0);
    // The client's colour in a ring of the text's colour: a white or a black client shows on
    // any row, light or dark.
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(QPen(option.palette.color(QPalette::Text), 1));
    p->setBrush(index.data(LignesClientsInactifsModel::CouleurRole).value<QColor>());
    p->drawEllipse(QRectF(r.left() + 0.5, r.center().y() - 4.5, 10, 10));
    p->restore();

    // Right side first: the phone and the buttons take what they need, the name the rest.
    const QRect email = rectEmail(option, index);
    const QRect copier = rectCopier(option, index);
    const bool clavier = option.state & QStyle::State_HasFocus;
    if (clavier && (m_bouton == Bouton::aucun || !boutons(index).contains(m_bouton)))
        paintFocusFrame(p, option.rect.adjusted(1, 1, -1, -1), option.palette, option.state & QStyle::State_Selected);
    if (!email.isNull())
        dessinerBouton(p, option, email, kEmail, QStringLiteral("envelope"), clavier && m_bouton == Bouton::email);
    if (!copier.isNull()) {
        dessinerBouton(p, option, copier, kCopier, QStringLiteral("phone"), clavier && m_bouton == Bouton::copier);
        // Beside the button; on its own line when the row is too narrow for both; cut with "…"
        // only when even that line is too short.
        const QString tel = telephoneAffiche(option, index);
        const QFontMetrics fm(option.font);
        const int largeurTel = fm.horizontalAdvance(tel);
        const int xTel = telephoneSeul(option) ? debutDesTextes(option) + fm.horizontalAdvance(kTel)
                                               : copier.left() - kEspace - largeurTel;
        const int base = bandeTelephone(option).center().y() + fm.ascent() / 2 - 1;
        // Drawn once, in the text colour: offset copies under it read as a doubled number.
        p->setFont(option.font);
        p->setPen(option.palette.color(QPalette::Text));
        p->drawText(QPoint(xTel, base), tel);
        const int xLabel = xTel - fm.horizontalAdvance(kTel);
        p->drawText(QPoint(xLabel, base), kTel);
    }

    const int gauche = debutDesTextes(option);
    const QFont nom = policeNom(option.font);
    const QFont info = policeInfo(option.font);
    const int hNom = QFontMetrics(nom).height();
    const int hInfo = QFontMetrics(info).height();
    const int largeur = std::max(0, finDesTextes(option, index) - gauche);
    const QStringList textes = textesAffiches(option, index);
    int haut = sousLesTextes(option) ? r.top() : r.center().y() - hauteurTextes(option.font, 1) / 2;
    p->setFont(nom);
    p->setPen(option.palette.color(QPalette::Text));
    p->drawText(QRect(gauche, haut, largeur, hNom), Qt::AlignLeft | Qt::AlignVCenter, textes[0]);
    p->setFont(info);
    p->setPen(forms::toneColor(forms::Tone::Secondary, option.palette.color(QPalette::Text)));
    haut += hNom;
    for (qsizetype i = 1; i < textes.size(); ++i, haut += hInfo + 2)
        p->drawText(QRect(gauche, haut + 2, largeur, hInfo), Qt::AlignLeft | Qt::AlignVCenter, textes[i]);
    p->restore();
}

int ClientInactifDelegate::debutDesTextes(const QStyleOptionViewItem& option)
{
    return option.rect.left() + kMarge + 10 + kEspace;
}

int ClientInactifDelegate::finDesTextes(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (sousLesTextes(option))
        return option.rect.right() - kMarge;
    const QRect email = rectEmail(option, index);
    const QRect copier = rectCopier(option, index);
    int droite = option.rect.right() - kMarge;
    if (!email.isNull())
        droite = email.left() - kEspace;
    if (!copier.isNull()) {
        const QFontMetrics fm(option.font);
        const QString tel = index.data(LignesClientsInactifsModel::TelephoneRole).toString();
        droite = copier.left() - kEspace - fm.horizontalAdvance(tel) - fm.horizontalAdvance(kTel) - kEspace;
    }
    return droite;
}

QStringList ClientInactifDelegate::textesAffiches(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const int largeur = std::max(0, finDesTextes(option, index) - debutDesTextes(option));
    const QFontMetrics nom(policeNom(option.font));
    const QFontMetrics info(policeInfo(option.font));
    const QString information = index.data(LignesClientsInactifsModel::InformationRole).toString();
    const QString nomAffiche = nom.elidedText(index.data(LignesClientsInactifsModel::NomRole).toString(),
                                              Qt::ElideRight, largeur);
    QString infoAffichee = info.elidedText(information, Qt::ElideRight, largeur);
    // "Dernière activité : … • Locations (12 mois) : n": under the texts, on two lines; beside
    // the buttons, the relative date gives way first, so the count stays in view.
    const QString separateur = QStringLiteral(" • ");
    const qsizetype coupure = information.lastIndexOf(separateur);
    if (sousLesTextes(option) && coupure > 0)
        return {nomAffiche, info.elidedText(information.left(coupure), Qt::ElideRight, largeur),
                info.elidedText(information.mid(coupure + separateur.size()), Qt::ElideRight, largeur)};
    if (infoAffichee != information && coupure > 0) {
        const QString fin = information.mid(coupure);
        const int reste = largeur - info.horizontalAdvance(fin);
        const QString debut = info.elidedText(information.left(coupure), Qt::ElideRight, reste);
        if (reste > 0 && debut.size() > 1)
            infoAffichee = debut + fin;
    }
    return {nomAffiche, infoAffichee};
}

QList<ClientInactifDelegate::Bouton> ClientInactifDelegate::boutons(const QModelIndex& index)
{
    QList<Bouton> liste;
    if (index.data(LignesClientsInactifsModel::TelephoneVisibleRole).toBool())
        liste.append(Bouton::copier);
    if (index.data(LignesClientsInactifsModel::EmailVisibleRole).toBool())
        liste.append(Bouton::email);
    return liste;
}

bool ClientInactifDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                        const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
            if (rectCopier(option, index).contains(e->position().toPoint())) {
                emit copierTelephone(index);
                return true;
            }
            if (rectEmail(option, index).contains(e->position().toPoint())) {
                emit ecrire(index);
                return true;
            }
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool ClientInactifDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                      const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString nom = index.data(LignesClientsInactifsModel::NomRole).toString();
    const QString information = index.data(LignesClientsInactifsModel::InformationRole).toString();
    const bool avecTel = index.data(LignesClientsInactifsModel::TelephoneVisibleRole).toBool();
    const QString tel = index.data(LignesClientsInactifsModel::TelephoneRole).toString();
    const QStringList vus = textesAffiches(option, index);
    const bool coupe = vus.value(0) != nom || vus.mid(1).join(QStringLiteral(" • ")) != information
                       || (avecTel && telephoneAffiche(option, index) != tel);
    if (!coupe) {
        QToolTip::hideText();
        return true;
    }
    QStringList lignes{nom, information};
    if (avecTel)
        lignes.append(kTel + tel);
    QToolTip::showText(event->globalPos(), plainToolTip(lignes.join(QLatin1Char('\n'))), view);
    return true;
}

// ---------------------------------------------------------------------------------------------

ClientsInactifsView::ClientsInactifsView(SourceStatistiques* source, qint64 refDate, QWidget* parent)
    : QWidget(parent),
      m_source(source),
      m_refDate(refDate),
      m_clients(source->context(), {},
                [](const Client* a, const Client* b) { return nameLessThan(a->nom(), b->nom()); }),
      m_model(new LignesClientsInactifsModel(refDate, source->zone(), this))
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(12);

    // The controls go under the title when the window is too narrow for both, and on to a
    // second line when even alone they are.
    auto* t = titre(QStringLiteral("Clients inactifs"), TextStyle::title2, this);
    QFont f = t->font();
    f.setBold(true);
    t->setFont(f);
    auto* controles = new QWidget(this);
    auto* ligneControles = new FlowLayout(controles, 12, 6);
    m_choixSeuil = new ChoixSegmente(QStringLiteral("Inactivité"), controles);
    m_choixSeuil->setOptions({{QStringLiteral("3 mois"), 3}, {QStringLiteral("6 mois"), 6}, {QStringLiteral("12 mois"), 12}});
    m_choixSeuil->setValeur(m_seuilMois);
    connect(m_choixSeuil, &ChoixSegmente::choisi, this, [this](const QVariant& m) { setSeuilMois(m.toInt()); });
    ligneControles->addWidget(m_choixSeuil);
    m_jamais = new QCheckBox(QStringLiteral("Inclure « jamais loué »"), controles);
    m_jamais->setChecked(m_inclureJamaisLoues);
    connect(m_jamais, &QCheckBox::toggled, this, &ClientsInactifsView::setInclureJamaisLoues);
    ligneControles->addWidget(m_jamais);
    v->addWidget(new RangeeRepliable(t, controles, this));

    m_liste = new QListView(this);
    m_liste->setAccessibleName(t->text());
    m_liste->setModel(m_model);
    auto* delegate = new ClientInactifDelegate(m_liste);
    m_delegate = delegate;
    m_liste->setItemDelegate(delegate);
    m_liste->setMouseTracking(true);
    m_liste->viewport()->installEventFilter(this);
    m_liste->setUniformItemSizes(true);
    m_liste->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(delegate, &ClientInactifDelegate::copierTelephone, this,
            [this](const QModelIndex& i) { copierTelephone(i.row()); });
    connect(delegate, &ClientInactifDelegate::ecrire, this, [this](const QModelIndex& i) { ecrire(i.row()); });
    m_liste->installEventFilter(this);
    // The row's actions from the keyboard (menu key) or the right button too.
    m_liste->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_liste, &QWidget::customContextMenuRequested, this, &ClientsInactifsView::menuLigne);
    v->addWidget(m_liste, 1);
    m_aucun = new QLabel(this);
    m_aucun->setObjectName(QStringLiteral("texteAucun"));
    m_aucun->setWordWrap(true);
    m_aucun->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_aucun->setContentsMargins(0, 24, 0, 0);
    setSecondaryText(m_aucun);
    v->addWidget(m_aucun, 1);
    // The keyboard's button follows the current row: the same one when that row has it.
    connect(m_liste->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
        const QList<ClientInactifDelegate::Bouton> b = ClientInactifDelegate::boutons(i);
        if (!b.contains(m_delegate->boutonClavier()))
            m_delegate->setBoutonClavier(b.isEmpty() ? ClientInactifDelegate::Bouton::aucun : b.first());
    });

    // Straight from the store, after the clients query it built has taken the notice in.
    connect(source->context(), &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touchesAny(SourceStatistiques::kLocations | SourceStatistiques::kClients))
            recalculer();
    });
    recalculer();
}

void ClientsInactifsView::setSeuilMois(int mois)
{
    if (mois == m_seuilMois)
        return;
    m_seuilMois = mois;
    m_choixSeuil->setValeur(mois);
    recalculer();
}

void ClientsInactifsView::setInclureJamaisLoues(bool inclure)
{
    if (inclure == m_inclureJamaisLoues)
        return;
    m_inclureJamaisLoues = inclure;
    const QSignalBlocker bloque(m_jamais);
    m_jamais->setChecked(inclure);
    recalculer();
}

void ClientsInactifsView::recalculer()
{
    m_model->setLignes(clientsInactifs(activitesDesClients(m_clients.results()), m_seuilMois, m_inclureJamaisLoues,
                                       m_refDate, m_source->zone()));
    // No row: the screen says so, rather than an empty box.
    const bool aucun = m_model->rowCount() == 0;
    m_aucun->setText(QStringLiteral("Aucun client n’est inactif depuis %1 mois.").arg(m_seuilMois));
    m_aucun->setVisible(aucun);
    m_liste->setVisible(!aucun);
    QStyleOptionViewItem option;
    option.initFrom(m_liste->viewport());
    option.font = m_liste->font();
    option.rect = QRect(0, 0, 0, 0);
    m_largeurUneLigne = 0;
    m_largeurActions = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        m_largeurUneLigne = std::max(m_largeurUneLigne, ClientInactifDelegate::largeurUneLigne(option, index));
        m_largeurActions = std::max(m_largeurActions, ClientInactifDelegate::largeurActions(option, index));
    }
    ajusterHauteurLignes();
}

void ClientsInactifsView::ajusterHauteurLignes()
{
    const int largeur = m_liste->viewport()->width();
    const bool dessous = largeur < m_largeurUneLigne;
    const bool aPart = dessous && largeur < m_largeurActions;
    if (dessous == m_delegate->actionsDessous() && aPart == m_delegate->telephoneAPart())
        return;
    m_delegate->setActionsDessous(dessous);
    m_delegate->setTelephoneAPart(aPart);
    // Every row takes the new height at once.
    m_liste->doItemsLayout();
    m_liste->viewport()->update();
}

void ClientsInactifsView::copierTelephone(int row)
{
    if (row < 0 || row >= rows().size() || !telephoneVisible(rows()[row].telephone))
        return;
    QClipboard* presse = QGuiApplication::clipboard();
    presse->clear();
    presse->setText(rows()[row].telephone);
}

void ClientsInactifsView::ecrire(int row)
{
    if (row < 0 || row >= rows().size() || !emailVisible(rows()[row].email))
        return;
    // The address is encoded on its own: a "?" or "&" in it cannot add fields to the message.
    QString erreur;
    if (MailLink::compose(*rows()[row].email, {}, {}, &erreur))
        return;
    auto* alerte = new QMessageBox(QMessageBox::Warning, QStringLiteral("E-mail"), erreur, QMessageBox::Ok, this);
    alerte->setObjectName(QStringLiteral("alerteEmail"));
    alerte->setAttribute(Qt::WA_DeleteOnClose);
    alerte->setWindowModality(Qt::WindowModal);
    alerte->open();
}

void ClientsInactifsView::montrerBouton(ClientInactifDelegate::Bouton bouton)
{
    m_delegate->setBoutonClavier(bouton);
    const QModelIndex courant = m_liste->currentIndex();
    if (!courant.isValid())
        return;
    m_liste->viewport()->update(m_liste->visualRect(courant));
    // A painted button takes no focus of its own: a reader hears the one the keys are on.
    if (bouton != ClientInactifDelegate::Bouton::aucun && m_liste->hasFocus())
        announceOutcome(m_liste, (bouton == ClientInactifDelegate::Bouton::copier ? kCopier : kEmail) + QStringLiteral(", ")
                                     + rows()[courant.row()].nom);
}

bool ClientsInactifsView::toucheDansLaListe(QKeyEvent* event)
{
    using Bouton = ClientInactifDelegate::Bouton;
    const QModelIndex courant = m_liste->currentIndex();
    if (!courant.isValid())
        return false;
    const QList<Bouton> b = ClientInactifDelegate::boutons(courant);
    const qsizetype ici = b.indexOf(m_delegate->boutonClavier());
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (mods & ~Qt::ShiftModifier)
            return false;
        const bool arriere = event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        const qsizetype suivant = ici < 0 ? (arriere ? -1 : 0) : ici + (arriere ? -1 : 1);
        if (suivant >= 0 && suivant < b.size()) {
            montrerBouton(b[suivant]);
            return true;
        }
        // Past the row's last button (before its first): on to the next control of the screen.
        montrerBouton(Bouton::aucun);
        return false;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (mods != Qt::NoModifier || ici < 0)
            return false;
        if (m_delegate->boutonClavier() == Bouton::copier)
            copierTelephone(courant.row());
        else
            ecrire(courant.row());
        return true;
    default:
        return false;
    }
}

void ClientsInactifsView::menuLigne(const QPoint& position)
{
    QModelIndex index = m_liste->indexAt(position);
    if (!index.isValid())
        index = m_liste->currentIndex();
    if (!index.isValid())
        return;
    const int row = index.row();
    QMenu menu(this);
    QAction* copier = menu.addAction(symbolIcon(QStringLiteral("phone")), QStringLiteral("Copier tél."));
    copier->setEnabled(telephoneVisible(rows()[row].telephone));
    connect(copier, &QAction::triggered, this, [this, row] { copierTelephone(row); });
    QAction* email = menu.addAction(symbolIcon(QStringLiteral("envelope")), QStringLiteral("E-mail"));
    email->setEnabled(emailVisible(rows()[row].email));
    connect(email, &QAction::triggered, this, [this, row] { ecrire(row); });
    const QRect r = m_liste->visualRect(index);
    const QPoint ou = m_liste->indexAt(position).isValid() ? position : r.bottomLeft();
    menu.exec(m_liste->viewport()->mapToGlobal(ou));
}

bool ClientsInactifsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_liste->viewport() && event->type() == QEvent::Resize)
        ajusterHauteurLignes();
    if (watched == m_liste && event->type() == QEvent::FocusIn) {
        // The keyboard arrives on a row in view that shows it, on its first button (its last
        // from Shift+Tab), never on a list with nothing framed; a click alone chooses its row.
        const auto raison = static_cast<QFocusEvent*>(event)->reason();
        keysArriveInView(m_liste, raison, {});
        const QList<ClientInactifDelegate::Bouton> b = ClientInactifDelegate::boutons(m_liste->currentIndex());
        if (raison == Qt::TabFocusReason || raison == Qt::BacktabFocusReason)
            montrerBouton(b.isEmpty() ? ClientInactifDelegate::Bouton::aucun
                                      : raison == Qt::TabFocusReason ? b.first() : b.last());
    }
    if (watched == m_liste && event->type() == QEvent::KeyPress && toucheDansLaListe(static_cast<QKeyEvent*>(event)))
        return true;
    // Ctrl+C on a row copies its phone, as its button does (the list alone would copy the name).
    if (watched == m_liste && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* e = static_cast<QKeyEvent*>(event);
        if (e->matches(QKeySequence::Copy) && m_liste->currentIndex().isValid()) {
            if (event->type() == QEvent::KeyPress)
                copierTelephone(m_liste->currentIndex().row());
            event->accept();
            return true;
        }
    }
    // The row under the pointer is drawn again as it moves, so its buttons light up.
    if (watched == m_liste->viewport() && (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave)) {
        const QModelIndex sous = event->type() == QEvent::MouseMove
                                     ? m_liste->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint())
                                     : QModelIndex();
        if (m_survol.isValid())
            m_liste->viewport()->update(m_liste->visualRect(m_survol));
        if (sous.isValid())
            m_liste->viewport()->update(m_liste->visualRect(sous));
        m_survol = sous;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
