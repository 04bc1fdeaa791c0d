#include "benneeditorview.h"

#include "vuebennes.h"

#include "widgets/flowlayout.h"
#include "widgets/focusguard.h"
#include "widgets/focusstyle.h"
#include "widgets/plaintext.h"

#include "model/helpers.h"

#include "model/volume.h"
#include "model/modelcontext.h"
#include "widgets/forms/fittingcombobox.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/numberfield.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/forms/singleline.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

using forms::EditorFrame;
using forms::FormSection;

namespace {

constexpr int kVolumeMin = 1;
constexpr int kVolumeMax = 60;
constexpr Plage kPlageVolume{kVolumeMin, kVolumeMax, "m³"};

class PreviewSwatch : public QWidget {
public:
    explicit PreviewSwatch(QWidget* parent) : QWidget(parent) { setFixedSize(64, 40); }
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(forms::toneColor(forms::Tone::Quaternary, palette().color(QPalette::WindowText)), 1));
        p.setBrush(color);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }
};

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(forms::fontFor(forms::TextStyle::Caption, parent->font()).pointSizeF());
    l->setFont(mono);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, forms::toneColor(forms::Tone::Secondary, p.color(QPalette::WindowText)));
    l->setPalette(p);
    return l;
}

QString texteEtatOuStocke(const std::optional<EtatBenne>& etat, const Benne* benne)
{
    if (etat)
        return texteEtat(*etat);
    return benne ? benne->etatTexte() : QString();
}

} // namespace

BennePreviewRow::BennePreviewRow(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    m_swatch = new PreviewSwatch(this);
    layout->addWidget(m_swatch);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    m_volume = new QLabel(this);
    m_volume->setFont(forms::fontFor(forms::TextStyle::Headline, font()));
    m_etat = new QLabel(this);
    QPalette p = m_etat->palette();
    p.setColor(QPalette::WindowText, forms::toneColor(forms::Tone::Secondary, p.color(QPalette::WindowText)));
    m_etat->setPalette(p);
    column->addWidget(m_volume);
    column->addWidget(m_etat);
    layout->addLayout(column);
    layout->addStretch(1);
}

void BennePreviewRow::setValues(const QColor& couleur, const QString& volume, const QString& etat)
{
    static_cast<PreviewSwatch*>(m_swatch)->color = couleur;
    m_swatch->update();
    m_volume->setText(QStringLiteral("Benne ") + volume + QStringLiteral(" m³"));
    m_etat->setText(QStringLiteral("État : ") + etat);
}

QString BennePreviewRow::volumeText() const
{
    return m_volume->text();
}

QString BennePreviewRow::etatText() const
{
    return m_etat->text();
}

BenneEditorView::BenneEditorView(ModelContext* context, Benne* benne,
                                 QList<DispositifSpecial*> dispositifsDisponibles, QWidget* parent)
    : QWidget(parent), m_context(context), m_benne(benne), m_dispositifs(std::move(dispositifsDisponibles))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_frame = new EditorFrame(QStringLiteral("shippingbox.fill"), QString(), this);
    layout->addWidget(m_frame);

    // Aperçu
    FormSection* apercu = m_frame->addSection(QStringLiteral("Aperçu"), QStringLiteral("eye"));
    m_apercu = new BennePreviewRow(this);
    apercu->content()->addWidget(m_apercu);

    // Caractéristiques
    FormSection* carac = m_frame->addSection(QStringLiteral("Caractéristiques"),
                                             QStringLiteral("wrench.and.screwdriver"));
    // The slider between its bounds, the stepper after it (under it when the pane is narrow).
    m_volumeRow = new QWidget(this);
    auto* volumeWrap = new forms::TrailingWrapLayout(m_volumeRow);
    volumeWrap->setContentsMargins(4, 2, 4, 2);
    auto* volumeLayout = new QHBoxLayout;
    volumeLayout->setSpacing(12);
    volumeLayout->addWidget(captionLabel(QStringLiteral("1"), m_volumeRow));
    m_slider = new QSlider(Qt::Horizontal, m_volumeRow);
    m_slider->setAccessibleName(QStringLiteral("Volume"));
    m_slider->setRange(kVolumeMin, kVolumeMax);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(5);
    // Wide when the window is; short enough that the form fits a small window without scrolling sideways.
    m_slider->setMinimumWidth(100);
    volumeLayout->addWidget(m_slider);
    volumeLayout->addWidget(captionLabel(QStringLiteral("60"), m_volumeRow));
    // The volume typed as the other number fields are (read on Return or on leaving, refused
    // outside 1…60 with its message), ↑ and ↓ and the two buttons beside it stepping it.
    m_stepper = new QWidget(m_volumeRow);
    m_stepper->setObjectName(QStringLiteral("volumeStepper"));
    auto* stepperLayout = new QHBoxLayout(m_stepper);
    stepperLayout->setContentsMargins(2, 0, 2, 0);
    stepperLayout->setSpacing(4);
    m_volumeField = new forms::NumberField(forms::NumberField::Kind::Whole, false, m_stepper);
    m_volumeField->setRange(kPlageVolume, QStringLiteral("Volume"));
    m_volumeField->setPlaceholderText(QStringLiteral("—"));
    QLineEdit* saisie = m_volumeField->lineEdit();
    saisie->setAccessibleName(QStringLiteral("Volume"));
    saisie->setToolTip(QStringLiteral("Volume en m³ : tapez-le, ou flèches haut et bas"));
    saisie->installEventFilter(this);
    m_volumeField->setFieldWidth(saisie->fontMetrics().horizontalAdvance(QStringLiteral("6000")) + 16);
    m_stepper->setFocusProxy(saisie);
    stepperLayout->addWidget(m_volumeField);
    m_volumeLabel = new QLabel(QStringLiteral("m³"), m_stepper);
    m_volumeLabel->setFont(saisie->font());
    stepperLayout->addWidget(m_volumeLabel);
    auto* moins = new QToolButton(m_stepper);
    moins->setText(QStringLiteral("−"));
    moins->setAccessibleName(QStringLiteral("Diminuer le volume"));
    moins->setFocusPolicy(Qt::NoFocus);
    auto* plus = new QToolButton(m_stepper);
    plus->setText(QStringLiteral("+"));
    plus->setAccessibleName(QStringLiteral("Augmenter le volume"));
    plus->setFocusPolicy(Qt::NoFocus);
    stepperLayout->addWidget(moins);
    stepperLayout->addWidget(plus);
    volumeWrap->setLead(volumeLayout);
    volumeWrap->setTrail(m_stepper);
    carac->addRow(QStringLiteral("Volume"), m_volumeRow);

    m_couleur = new forms::ColorField(this);
    m_couleur->loadDefault(forms::standardGrey());
    m_couleur->setHexText(QStringLiteral("#808080"));
    carac->addRow(QStringLiteral("Couleur"), m_couleur);

    auto* etats = new QWidget(this);
    etats->setAccessibleName(QStringLiteral("État"));
    // Segments side by side, going on to a second line in a narrow pane.
    auto* etatsLayout = new FlowLayout(etats, 0, 4);
    // One button per state, each a stop of its own for Tab and the arrow keys (a button group
    // would leave only one of them reachable by Tab). An unknown stored state shows none chosen.
    for (EtatBenne e : tousLesEtats()) {
        auto* b = new QPushButton(texteEtat(e), etats);
        b->setCheckable(true);
        // The chosen state in the selection's colour, in the ink that reads on it.
        const QColor choisi = b->palette().color(QPalette::Active, QPalette::Highlight);
        // The keys' frame takes the border's place, the padding its width.
        b->setStyleSheet(QStringLiteral("QPushButton { padding: 3px 12px; border: 1px solid %3; }"
                                        "QPushButton:checked { background: %1; color: %2; }"
                                        "QPushButton:focus { border: 2px solid %4; padding: 2px 11px; }"
                                        "QPushButton:checked:focus { border-color: %2; }")
                             .arg(choisi.name(), textColorOn(choisi).name(), edgeColour(b->palette()).name(),
                                  focusColour(b->palette()).name()));
        connect(b, &QPushButton::clicked, this, [this, e] {
            m_etat = e;
            refresh();
        });
        m_etatButtons.append(b);
        etatsLayout->addWidget(b);
    }
    carac->addRow(QStringLiteral("État"), etats);

    // Dispositif spécial
    FormSection* dispo = m_frame->addSection(QStringLiteral("Dispositif spécial"),
                                             QStringLiteral("puzzlepiece.extension"));
    // A long description is cut with "…" rather than widen the form.
    m_picker = new forms::FittingComboBox(this);
    m_picker->setAccessibleName(QStringLiteral("Dispositif"));
    m_picker->setMaximumWidth(320);
    m_picker->setMinimumWidth(120);
    auto* choixRow = new FlowLayout(nullptr, 8, 8);
    choixRow->addWidget(m_picker);
    dispo->addRow(QStringLiteral("Dispositif"), choixRow);
    auto* ajoutRow = new forms::TrailingWrapLayout;
    ajoutRow->setSpacing(8);
    m_nouveauDispositif = forms::keepOnOneLine(new QLineEdit(this));
    m_nouveauDispositif->setAccessibleName(QStringLiteral("Nouveau dispositif"));
    m_nouveauDispositif->setPlaceholderText(QStringLiteral("Ajouter un dispositif…"));
    m_nouveauDispositif->setMinimumWidth(110);
    m_ajouterDispositif = new QPushButton(symbolIcon(QStringLiteral("plus.circle.fill")),
                                          QStringLiteral("Ajouter"), this);
    m_effacer = new QPushButton(symbolIcon(QStringLiteral("xmark.circle.fill")),
                                QStringLiteral("Effacer la sélection"), this);
    m_effacer->setFlat(true);
    ajoutRow->setLead(m_nouveauDispositif);
    ajoutRow->setTrail(m_ajouterDispositif);
    // Beside the choice it clears: the row of the new device keeps room for its field.
    choixRow->addWidget(m_effacer);
    dispo->addRow(QString(), ajoutRow);

    // Notes
    FormSection* notes = m_frame->addSection(QStringLiteral("Notes"), QStringLiteral("note.text"));
    m_notes = new QPlainTextEdit(this);
    m_notes->setAccessibleName(QStringLiteral("Notes"));
    m_notes->setPlaceholderText(QStringLiteral("Notes"));
    m_notes->setTabChangesFocus(true);
    forms::setFieldBorder(m_notes);
    m_notes->setMinimumHeight(QFontMetrics(m_notes->font()).lineSpacing() * 3 + 16);
    m_notes->setMaximumHeight(QFontMetrics(m_notes->font()).lineSpacing() * 8 + 16);
    notes->content()->addWidget(m_notes);
    // Where nothing tells this skip from another, the note is where its painted number goes.
    m_sansDistinction = new QLabel(this);
    m_sansDistinction->setObjectName(QStringLiteral("sansDistinction"));
    m_sansDistinction->setTextFormat(Qt::PlainText);
    m_sansDistinction->setWordWrap(true);
    m_sansDistinction->hide();
    notes->content()->addWidget(m_sansDistinction);
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        if (changes.touchesAny(entityBit(EntityType::Benne) | entityBit(EntityType::DispositifSpecial)))
            montrerSansDistinction();
    });

    // Danger zone
    m_dangerSection = m_frame->addSection(QStringLiteral("Danger zone"), QStringLiteral("exclamationmark.triangle"));
    m_supprimer = forms::makeDangerButton(QStringLiteral("Supprimer cette benne"), this);
    auto* dangerRow = new QHBoxLayout;
    dangerRow->addWidget(m_supprimer);
    dangerRow->addStretch(1);
    m_dangerSection->content()->addLayout(dangerRow);

    // Tab follows the form from top to bottom, through each state's segment.
    QList<QWidget*> order{m_slider, m_volumeField->lineEdit(), m_couleur->pickerButton()};
    for (EtatBenne e : tousLesEtats())
        order.append(etatButton(e));
    order.append({m_picker, m_effacer, m_nouveauDispositif, m_ajouterDispositif, m_notes, m_supprimer});
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_loading)
            setVolumeByUser(v);
    });
    connect(m_volumeField, &forms::NumberField::valueChanged, this, [this] {
        if (const std::optional<qint64> v = m_volumeField->wholeValue())
            setVolumeByUser(double(*v));
    });
    // A refused text keeps "Enregistrer" off until it is mended or taken back.
    connect(m_volumeField, &forms::NumberField::committed, this, &BenneEditorView::refresh);
    connect(moins, &QToolButton::clicked, this, [this] { stepVolume(-1); });
    connect(plus, &QToolButton::clicked, this, [this] { stepVolume(+1); });
    connect(m_couleur, &forms::ColorField::changed, this, &BenneEditorView::refresh);
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        selectDispositif(index <= 0 ? nullptr
                                    : reinterpret_cast<DispositifSpecial*>(
                                          m_picker->itemData(index).value<quintptr>()));
    });
    connect(m_nouveauDispositif, &QLineEdit::returnPressed, this, &BenneEditorView::ajouterDispositif);
    connect(m_ajouterDispositif, &QPushButton::clicked, this, &BenneEditorView::ajouterDispositif);
    connect(m_effacer, &QPushButton::clicked, this, [this] { selectDispositif(nullptr); });
    connect(m_frame, &EditorFrame::cancelRequested, this, &BenneEditorView::cancelled);
    connect(m_frame, &EditorFrame::saveRequested, this, &BenneEditorView::enregistrerBenne);
    connect(m_supprimer, &QPushButton::clicked, this, &BenneEditorView::confirmerSuppression);

    lierChamps();
    chargerBenne();
}

void BenneEditorView::lierChamps()
{
    m_live = new forms::LiveForm(m_context, [this]() -> Record* { return m_benne; }, this);
    const auto volume = [](double v) { return QString::number(v, 'g', 17); };
    const auto etat = [](std::optional<EtatBenne> e) { return e ? QString::number(int(*e)) : QString(); };
    m_live->setFields({
        forms::LiveField{QStringLiteral("Volume"), [this, volume] { return volume(m_volume); },
                         [this, volume] { return volume(m_benne->volume()); },
                         [this] {
                             m_volume = m_benne->volume();
                             showVolume();
                             refresh();
                         },
                         [this] { m_benne->setVolume(m_volume); }},
        forms::LiveField{QStringLiteral("Couleur"), [this] { return m_couleur->hexText(); },
                         [this] { return m_benne->couleur(); },
                         [this] { m_couleur->loadStoredText(m_benne->couleur()); },
                         [this] { m_benne->setCouleur(m_couleur->hexText()); }},
        forms::LiveField{QStringLiteral("État"), [this, etat] { return etat(m_etat); },
                         [this, etat] { return m_benne->etatTexte(); },
                         [this] {
                             m_etat = m_benne->etat();
                             refresh();
                         },
                         [this] {
                             if (m_etat)
                                 m_benne->setEtat(*m_etat);
                         }},
        forms::LiveField{QStringLiteral("Dispositif"),
                         [this] { return QString::number(quintptr(m_dispositifSelectionne)); },
                         [this] { return QString::number(quintptr(m_benne->dispositifSpecial())); },
                         [this] {
                             m_dispositifSelectionne = m_benne->dispositifSpecial();
                             rebuildPicker();
                             refresh();
                         },
                         [this] { m_benne->setDispositifSpecial(m_dispositifSelectionne); }},
        forms::LiveField{QStringLiteral("Notes"), [this] { return m_notes->toPlainText(); },
                         [this] { return m_benne->notes(); }, [this] { m_notes->setPlainText(m_benne->notes()); },
                         [this] { m_benne->setNotes(m_notes->toPlainText()); }},
    });
}

QPushButton* BenneEditorView::etatButton(EtatBenne etat) const
{
    const qsizetype index = tousLesEtats().indexOf(etat);
    return m_etatButtons.value(index);
}

QWidget* BenneEditorView::champ(Champ c) const
{
    switch (c) {
    case Champ::volume: return m_volumeField->lineEdit();
    case Champ::notes: return m_notes;
    case Champ::nouveauDispositif: return m_nouveauDispositif;
    }
    return nullptr;
}

void BenneEditorView::setBenne(Benne* benne)
{
    if (benne == m_benne)
        return;
    m_benne = benne;
    chargerBenne();
}

void BenneEditorView::setDispositifsDisponibles(const QList<DispositifSpecial*>& dispositifs)
{
    if (dispositifs == m_dispositifs)
        return;
    m_dispositifs = dispositifs;
    rebuildPicker();
}

bool BenneEditorView::peutEnregistrer() const
{
    return volumeEnregistrable(m_volume);
}

void BenneEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (!m_benne)
            m_volumeField->setFocus(Qt::OtherFocusReason);
    }
}

bool BenneEditorView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_volumeField->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            stepVolume(+1);
            return true;
        }
        if (key == Qt::Key_Down) {
            stepVolume(-1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BenneEditorView::stepVolume(int delta)
{
    const std::optional<qint64> whole = volumeEntier(m_volume);
    qint64 next = whole ? std::clamp<qint64>(*whole, kVolumeMin - 1, kVolumeMax + 1) + delta
                        : (delta > 0 ? kVolumeMin : kVolumeMax);
    next = std::clamp<qint64>(next, kVolumeMin, kVolumeMax);
    setVolumeByUser(double(next));
}

void BenneEditorView::setVolumeByUser(double volume)
{
    m_volume = volume;
    showVolume();
    refresh();
}

void BenneEditorView::showVolume()
{
    m_volumeField->setWholeValue(volumeEntier(m_volume));
    // A value shown again takes a refused text's message away with it.
    m_volumeField->commit();
}

QWidget* BenneEditorView::volumeStepper() const
{
    return m_volumeField->lineEdit();
}

QString BenneEditorView::volumeShown() const
{
    const QString typed = m_volumeField->lineEdit()->text();
    return (typed.isEmpty() ? QStringLiteral("—") : typed) + QStringLiteral(" m³");
}

void BenneEditorView::chargerBenne()
{
    m_loading = true;
    if (m_benne) {
        m_volume = m_benne->volume();
        m_etat = m_benne->etat();
        m_notes->setPlainText(m_benne->notes());
        m_dispositifSelectionne = m_benne->dispositifSpecial();
        m_couleur->loadStoredText(m_benne->couleur());
    } else {
        m_volume = 8.0;
        m_etat = EtatBenne::correct;
        m_notes->clear();
        m_dispositifSelectionne = nullptr;
        m_couleur->loadDefault(forms::standardGrey());
    }
    showVolume();
    m_frame->setTitle(m_benne ? QStringLiteral("Modifier la benne") : QStringLiteral("Nouvelle benne"));
    m_dangerSection->setVisible(m_benne != nullptr);
    rebuildPicker();
    m_loading = false;
    refresh();
    m_live->markAllLoaded();
}

bool BenneEditorView::hasUnsavedChanges() const
{
    // A volume typed and not yet read (no Return, the field not left) is typed work too.
    return m_live->typed() || m_volumeField->lineEdit()->isModified();
}

void BenneEditorView::focusFirstField()
{
    // The keys go to the volume without selecting it: no stray key replaces it.
    m_volumeField->setFocus(Qt::OtherFocusReason);
}

void BenneEditorView::montrerSansDistinction()
{
    const bool seule = m_benne && !m_benne->isDeleted() && benneSansDistinction(m_benne);
    m_sansDistinction->setText(seule ? texteBenneSansDistinction(m_benne) : QString());
    m_sansDistinction->setVisible(seule);
}

void BenneEditorView::refresh()
{
    montrerSansDistinction();
    const bool wasLoading = m_loading;
    m_loading = true;
    // The slider shows the nearest position without writing it back.
    const std::optional<qint64> whole = volumeEntier(m_volume);
    m_slider->setValue(int(std::clamp<qint64>(whole.value_or(kVolumeMin), kVolumeMin, kVolumeMax)));
    for (EtatBenne e : tousLesEtats())
        etatButton(e)->setChecked(m_etat == e);
    m_effacer->setVisible(m_dispositifSelectionne != nullptr);
    m_loading = wasLoading;

    const bool ok = peutEnregistrer() && !m_volumeField->outOfRange();
    forms::setInvalidOutline(m_volumeRow, !ok);
    m_frame->setSaveEnabled(ok);
    m_apercu->setValues(m_couleur->color(), texteVolume(m_volume), texteEtatOuStocke(m_etat, m_benne));
}

void BenneEditorView::selectDispositif(DispositifSpecial* dispositif)
{
    m_dispositifSelectionne = dispositif;
    rebuildPicker();
    refresh();
}

void BenneEditorView::rebuildPicker()
{
    QList<DispositifSpecial*> choices = m_dispositifs;
    // A device just added shows at once, before the caller's list includes it.
    if (m_dispositifSelectionne && !m_dispositifSelectionne->isDeleted()
        && !choices.contains(m_dispositifSelectionne))
        choices.append(m_dispositifSelectionne);
    m_picker->clear();
    m_picker->addItem(QStringLiteral("Aucun"), QVariant::fromValue(quintptr(0)));
    for (DispositifSpecial* d : choices)
        m_picker->addItem(d->descriptionDispositif(), QVariant::fromValue(quintptr(d)));
    const int index = m_picker->findData(QVariant::fromValue(quintptr(m_dispositifSelectionne)));
    m_picker->setCurrentIndex(std::max(index, 0));
}

bool BenneEditorView::enregistrerBenne()
{
    // A volume typed counts even when its field was not left; a refused one keeps the focus.
    if (!m_volumeField->commit()) {
        m_volumeField->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (!peutEnregistrer())
        return false;
    Benne* benne = m_benne;
    const bool nouvelle = benne == nullptr;
    const QString notes = m_notes->toPlainText();
    if (benne) {
        // Only what was typed here is written: a field changed in another window meanwhile
        // keeps that change; one changed on both sides is asked about first.
        QPointer<BenneEditorView> self(this);
        if (m_live->askAboutConflicts(QStringLiteral("Cette benne a été modifiée dans une autre fenêtre"), [self] {
                if (self)
                    self->enregistrerBenne();
            }))
            return false;
        m_live->writeTyped();
    } else {
        benne = new Benne(m_volume, m_couleur->hexText(), m_etat.value_or(EtatBenne::correct), notes,
                          m_dispositifSelectionne);
        m_context->insert(benne);
    }
    QString error;
    if (!m_context->save(&error)) {
        if (nouvelle)
            m_context->discardInsertion(benne);
        forms::showError(this, forms::saveFailedText(error));
        return false;
    }
    m_live->markAllLoaded();
    emit saved(benne);
    return true;
}

void BenneEditorView::ajouterDispositif()
{
    const QString texte = m_nouveauDispositif->text().trimmed();
    if (texte.isEmpty())
        return;
    auto* dispositif = new DispositifSpecial(texte);
    m_context->insert(dispositif);
    QString error;
    if (!m_context->save(&error)) {
        m_context->discardInsertion(dispositif);
        forms::showError(this, forms::saveFailedText(error));
        return;
    }
    m_nouveauDispositif->clear();
    selectDispositif(dispositif);
}

void BenneEditorView::confirmerSuppression()
{
    QPointer<BenneEditorView> self(this);
    const forms::Question question = forms::withDeletedAlong(
        questionSuppression({m_benne}, QDateTime::currentMSecsSinceEpoch()), m_context, {m_benne});
    forms::askConfirmation(this, question, QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [self] {
                               if (self)
                                   self->supprimerBenne();
                           });
}

void BenneEditorView::supprimerBenne()
{
    if (m_benne) {
        const QString dit = annonceSuppression({m_benne});
        QString error;
        if (!m_context->remove(m_benne, &error) || !m_context->save(&error)) {
            forms::showError(this, forms::deleteFailedText(error));
            return;
        }
        // Said once the keys are back in the list, over the window that outlives this editor.
        announceOutcomeAfterwards(window(), dit);
    }
    emit cancelled();
}

BenneEditorView::~BenneEditorView()
{
    releaseFocusWithin(this);
}

namespace {

// Who has the skip: the client of its rental on site at `maintenantMs`, else of the last one
// placed before; empty when it was never placed.
QString locataire(const Benne* benne, qint64 maintenantMs)
{
    const LocationDeBenne* derniere = nullptr;
    for (const LocationDeBenne* l : benne->locations()) {
        if (l->isDeleted() || !l->client() || l->datePoseMs() > maintenantMs)
            continue;
        const std::optional<qint64> fin = finDeTenueMs(l);
        if (!fin || *fin > maintenantMs)
            return QStringLiteral("chez ") + nomClientDistinct(l->client());
        if (!derniere || l->datePoseMs() > derniere->datePoseMs())
            derniere = l;
    }
    return derniere ? QStringLiteral("dernière location : ") + nomClientDistinct(derniere->client()) : QString();
}

} // namespace

QString BenneEditorView::nomDansQuestion(const Benne* benne, qint64 maintenantMs)
{
    // What tells the skip apart is kept whole: a long note gives way before the client.
    constexpr int kLongest = 120;
    QString nom = nomBenneDistinct(benne);
    const QString chez = locataire(benne, maintenantMs);
    if (chez.isEmpty())
        return nom;
    const QString suite = QStringLiteral(" · ") + chez;
    if (nom.size() + suite.size() > kLongest)
        nom = quotedBeginning(nom, std::max<int>(20, kLongest - int(suite.size())));
    return nom + suite;
}

QString BenneEditorView::annonceSuppression(const QList<Benne*>& bennes)
{
    QStringList noms;
    for (const Benne* b : bennes)
        noms.append(nomBenneDistinct(b));
    return forms::removedText(QStringLiteral("Benne supprimée"), QStringLiteral("bennes supprimées"), noms);
}

forms::Question BenneEditorView::questionSuppression(const QList<Benne*>& bennes, qint64 maintenantMs)
{
    // Skips have no name: each is named as every screen names it, its colour in words and what
    // tells it from its look-alikes, with the client who has it (or had it last).
    QStringList noms;
    for (const Benne* b : bennes)
        noms.append(nomDansQuestion(b, maintenantMs));
    forms::Question question = forms::naming(
        {QStringLiteral("Supprimer cette benne ?"), QStringLiteral("Cette action est irréversible.")}, noms);
    if (bennes.size() == 1)
        question.swatch = colorFromHex(bennes.first()->couleur()).value_or(QColor());
    return question;
}

} // namespace kv
