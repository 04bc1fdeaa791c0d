#include "exportfacturationview.h"
#include "widgets/dateentry.h"

#include "widgets/dateentry.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"

#include "alertes.h"
#include "widgets/confirmationfichier.h"
#include "facturationexporterparclient.h"
#include "textesexport.h"

#include "platform/filehelpers.h"
#include "widgets/focusguard.h"
#include "widgets/icons.h"
#include "widgets/textstyles.h"

#include <QDateEdit>
#include <QDynamicPropertyChangeEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace kv {

namespace {

const QKeySequence kRaccourci(Qt::CTRL | Qt::Key_E);

QDateEdit* champDate(const QDate& date, QWidget* parent)
{
    auto* champ = new QDateEdit(date, parent);
    champ->setCalendarPopup(true);
    champ->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    champ->setMinimumDate(QDate(1900, 1, 1));
    champ->setMaximumDate(QDate(9999, 12, 31));
    return champ;
}

} // namespace

ExportFacturationView::ExportFacturationView(ModelContext* context, QWidget* parent)
    : ExportFacturationView(context, Horloge::systeme(), parent)
{
}

ExportFacturationView::ExportFacturationView(ModelContext* context, Horloge horloge, QWidget* parent)
    : QWidget(parent), m_context(context), m_horloge(std::move(horloge))
{
    // The form stands in the middle of the screen, and stays there whatever message shows under
    // it: a counterweight above, as tall as the messages below, keeps it centred, so that nothing
    // moves under the pointer when a message comes, grows or goes.
    auto* colonne = new QVBoxLayout(this);
    colonne->setSpacing(20);
    colonne->addStretch(1);
    m_contrepoids = new QWidget(this);
    m_contrepoids->setFixedHeight(0);
    m_contrepoids->hide();
    colonne->addWidget(m_contrepoids);

    auto* titre = new QLabel(QStringLiteral("Exporter la facturation par client"), this);
    titre->setFont(fontForStyle(TextStyle::title2, font()));
    titre->setContentsMargins(0, 0, 0, 10);
    colonne->addWidget(titre, 0, Qt::AlignHCenter);

    auto* periode = new QWidget(this);
    periode->setMaximumWidth(400);
    auto* ligne = new QHBoxLayout(periode);
    ligne->setContentsMargins(0, 0, 0, 0);
    const QDate aujourdhui = jourDansZone(m_horloge.maintenant(), m_horloge.zone);
    m_du = champDate(QDate(2025, 1, 1), periode);
    m_au = champDate(aujourdhui, periode);
    auto* du = new QLabel(QStringLiteral("Du"), periode);
    du->setBuddy(m_du);
    auto* au = new QLabel(QStringLiteral("au"), periode);
    au->setBuddy(m_au);
    ligne->addWidget(du);
    ligne->addWidget(m_du, 1);
    ligne->addSpacing(8);
    ligne->addWidget(au);
    ligne->addWidget(m_au, 1);
    colonne->addWidget(periode, 0, Qt::AlignHCenter);

    m_exporter = new QPushButton(symbolIcon(QStringLiteral("arrow.down.doc")), QStringLiteral("Exporter en CSV"), this);
    auto* raccourci = new QShortcut(kRaccourci, this);
    connect(raccourci, &QShortcut::activated, m_exporter, &QPushButton::click);
    m_exporter->setToolTip(QStringLiteral("Exporter en CSV (%1)").arg(kRaccourci.toString(QKeySequence::NativeText)));
    m_exporter->setDefault(true);
    colonne->addWidget(m_exporter, 0, Qt::AlignHCenter);

    // Under the button, as wide as the window leaves up to 600 points; their lines wrap: what
    // keeps the period from being exported, then what the last export wrote.
    m_messages = new QWidget(this);
    m_messages->setMaximumWidth(600);
    auto* messages = new QVBoxLayout(m_messages);
    messages->setContentsMargins(0, 0, 0, 0);
    m_ligneErreur = new QLabel(m_messages);
    m_ligneErreur->setObjectName(QStringLiteral("ligneErreur"));
    m_ligneErreur->setTextFormat(Qt::PlainText);
    m_ligneErreur->setWordWrap(true);
    m_ligneErreur->setAlignment(Qt::AlignHCenter);
    QPalette rouge = m_ligneErreur->palette();
    rouge.setColor(QPalette::WindowText, QColor(0xD7, 0x00, 0x15));
    m_ligneErreur->setPalette(rouge);
    m_ligneErreur->hide();
    messages->addWidget(m_ligneErreur);
    m_confirmation = new ConfirmationFichier(m_messages);
    messages->addWidget(m_confirmation);
    m_messages->hide();
    auto* centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(m_messages, 100);
    centre->addStretch(1);
    colonne->addLayout(centre);
    colonne->addStretch(1);
    m_messages->installEventFilter(this);
    m_confirmation->installEventFilter(this);

    connect(m_exporter, &QPushButton::clicked, this, &ExportFacturationView::exporter);
    connect(m_du, &QDateEdit::dateChanged, this, &ExportFacturationView::periodeChangee);
    connect(m_au, &QDateEdit::dateChanged, this, &ExportFacturationView::periodeChangee);
    // The date fields read Ctrl+E as "end of line": it exports here, wherever the focus is.
    for (QDateEdit* champ : {m_du, m_au}) {
        // A date refused as typed is said in the line under the button, in the room kept for it.
        champ->setProperty(kOwnRefusalLine, true);
        champ->installEventFilter(this);
        for (QLineEdit* ligneTexte : champ->findChildren<QLineEdit*>())
            ligneTexte->installEventFilter(this);
    }
    setTabOrder(m_du, m_au);
    setTabOrder(m_au, m_exporter);
}

ExportFacturationView::~ExportFacturationView()
{
    releaseFocusWithin(this);
}

bool ExportFacturationView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_confirmation && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        montrerMessages();
    if (watched == m_messages && event->type() == QEvent::Resize)
        equilibrer();
    if (event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == kDateRefused)
        verifierPeriode();
    if (event->type() == QEvent::ShortcutOverride
        && QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) == kRaccourci) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

qint64 ExportFacturationView::debutMs() const
{
    return debutDuJourMs(m_du->date(), m_horloge.zone);
}

qint64 ExportFacturationView::finMs() const
{
    return finDuJourMs(m_au->date(), m_horloge.zone);
}

QString ExportFacturationView::erreurPeriode() const
{
    // A date refused as typed leaves the field's former date: no export of a period not meant.
    for (const QDateEdit* champ : {m_du, m_au})
        if (const QVariant refusee = champ->property(kDateRefused); refusee.isValid())
            return QStringLiteral("La date « %1 » n'est pas valide : corrigez-la avant d'exporter.")
                .arg(quotedBeginning(refusee.toString().trimmed(), 32));
    if (m_du->date() > m_au->date())
        return QStringLiteral("La date de début est après la date de fin.");
    return {};
}

void ExportFacturationView::verifierPeriode()
{
    const QString erreur = erreurPeriode();
    m_ligneErreur->setText(erreur);
    m_ligneErreur->setVisible(!erreur.isEmpty());
    m_exporter->setEnabled(erreur.isEmpty());
    montrerMessages();
}

void ExportFacturationView::periodeChangee()
{
    // What the last export wrote was of another period.
    m_confirmation->hide();
    verifierPeriode();
}

void ExportFacturationView::montrerMessages()
{
    m_messages->setVisible(!m_ligneErreur->isHidden() || !m_confirmation->isHidden());
    equilibrer();
}

void ExportFacturationView::equilibrer()
{
    const int hauteur = m_messages->isHidden() ? 0 : m_messages->height();
    m_contrepoids->setFixedHeight(hauteur);
    m_contrepoids->setVisible(!m_messages->isHidden());
}

void ExportFacturationView::exporter()
{
    // The button is off while the period is reversed; a call from elsewhere is refused the same way.
    verifierPeriode();
    if (!erreurPeriode().isEmpty() || stopForRefusedDate(this))
        return;
    const qint64 debut = debutMs(), fin = finMs();
    SaveFileRequest demande;
    demande.title = QStringLiteral("Exporter la facturation (par client, CSV)");
    demande.suggestedName = FacturationExporterParClient::nomFichier(debut, fin, m_horloge.zone);
    demande.mimeTypes = {QStringLiteral("text/csv")};
    demande.defaultSuffix = QStringLiteral("csv");
    // The place is asked first, so that the dialog answers the click at once; the text is built
    // once it is chosen, from the store as it is then. Building it cannot fail.
    const QString chemin = FileHelpers::askSaveFileName(this, demande);
    if (chemin.isEmpty())
        return;
    qsizetype nombre = 0;
    QString erreur;
    if (!ecrireAvecProgression(chemin, debut, fin, &nombre, &erreur)) {
        avertir(this, QStringLiteral("Export CSV impossible"), erreur, QStringLiteral("alerteExportCSV"));
        return;
    }
    m_confirmation->montrer(chemin, nombre == 0 ? QStringLiteral("aucune location facturée")
                                    : nombre == 1 ? QStringLiteral("1 location facturée")
                                                  : QStringLiteral("%1 locations facturées").arg(QLocale().toString(nombre)));
    announceOutcome(this, m_confirmation->texte());
    emit exporte(chemin);
}

bool ExportFacturationView::ecrireAvecProgression(const QString& chemin, qint64 debut, qint64 fin, qsizetype* nombre,
                                                  QString* erreur)
{
    // Shown only when the work runs past half a second. Modal to the whole application: no
    // window changes the store while its text is read.
    QProgressDialog progression(QStringLiteral("Export de la facturation…"), QString(), 0, 0, this);
    progression.setWindowTitle(QStringLiteral("Exporter la facturation"));
    progression.setWindowModality(Qt::ApplicationModal);
    progression.setMinimumDuration(500);
    progression.setCancelButton(nullptr);
    progression.setAutoClose(false);
    progression.setValue(0);
    QElapsedTimer depuis;
    depuis.start();
    // A few times a second: each step lets the event loop run.
    const auto avancer = [&](qsizetype faits, qsizetype total) {
        if (depuis.elapsed() < 40 && faits < total)
            return;
        depuis.restart();
        progression.setMaximum(int(std::min<qsizetype>(total, std::numeric_limits<int>::max())));
        progression.setValue(int(std::min<qsizetype>(faits, progression.maximum())));
    };
    const QString texte = FacturationExporterParClient::genererCSV(m_context, debut, fin, m_horloge.maintenant(),
                                                                   m_horloge.zone, nombre, avancer);
    progression.setLabelText(QStringLiteral("Écriture du fichier…"));
    if (progression.isVisible())
        progression.repaint();
    return FileHelpers::saveChosenFile(chemin, texte.toUtf8(), erreur);
}

} // namespace kv
