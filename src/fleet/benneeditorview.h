#pragma once

// The editor of a skip. The skip's fields are copied into the form and written back only by
// "Enregistrer"; a special device typed in is stored at once and becomes the form's choice.
// A stored volume outside 1…60 is shown as it is and never changed by loading: only a move of
// the slider or the stepper changes it. The editor never changes which skip it is given.

#include "model/records.h"

#include <QList>
#include <QWidget>

#include "widgets/forms/dialogs.h"

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QToolButton;

namespace kv {

class ModelContext;

namespace forms {
class ColorField;
class EditorFrame;
class FormSection;
class LiveForm;
class NumberField;
}

// The live preview at the top of the skip editor: a large swatch, "Benne 8 m³", "État : …".
class BennePreviewRow : public QWidget {
    Q_OBJECT
public:
    explicit BennePreviewRow(QWidget* parent = nullptr);
    void setValues(const QColor& couleur, const QString& volume, const QString& etat);
    QString volumeText() const;
    QString etatText() const;

private:
    QWidget* m_swatch;
    QLabel* m_volume;
    QLabel* m_etat;
};

class BenneEditorView : public QWidget {
    Q_OBJECT
public:
    // What is asked before a skip is deleted, here and from the list.
    static forms::Question questionSuppression(const QList<Benne*>& bennes, qint64 maintenantMs);
    // What a reader hears once they are deleted, each told from its look-alikes.
    static QString annonceSuppression(const QList<Benne*>& bennes);
    // A skip as a question names it: as its row shows it, then who has it at `maintenantMs`
    // (« … · chez Dupont Travaux (Bordeaux) ») or had it last.
    static QString nomDansQuestion(const Benne* benne, qint64 maintenantMs);

    enum class Champ { volume, notes, nouveauDispositif };

    BenneEditorView(ModelContext* context, Benne* benne, QList<DispositifSpecial*> dispositifsDisponibles,
                    QWidget* parent = nullptr);
    ~BenneEditorView() override;

    Benne* benne() const { return m_benne; }
    // Points the editor at another skip (or none); reloads the form when it differs.
    void setBenne(Benne* benne);
    void setDispositifsDisponibles(const QList<DispositifSpecial*>& dispositifs);

    double volume() const { return m_volume; }
    std::optional<EtatBenne> etat() const { return m_etat; }
    DispositifSpecial* dispositifSelectionne() const { return m_dispositifSelectionne; }
    bool peutEnregistrer() const;

    // Writes the form to the skip (or a new one) and saves; true once stored.
    bool enregistrerBenne();

    // What the screen asks before the editor is left.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return peutEnregistrer(); }
    bool saveChanges() { return enregistrerBenne(); }
    void focusFirstField();
    void ajouterDispositif();

    forms::EditorFrame* frame() const { return m_frame; }
    QSlider* volumeSlider() const { return m_slider; }
    // The field of the volume: typed, or stepped by ↑ and ↓.
    QWidget* volumeStepper() const;
    forms::NumberField* volumeField() const { return m_volumeField; }
    // "8 m³" as the field shows it ("— m³" for a volume with no whole value).
    QString volumeShown() const;
    QWidget* volumeRow() const { return m_volumeRow; }
    forms::ColorField* couleur() const { return m_couleur; }
    QPushButton* etatButton(EtatBenne etat) const;
    QComboBox* dispositifPicker() const { return m_picker; }
    QLineEdit* nouveauDispositifField() const { return m_nouveauDispositif; }
    QPushButton* ajouterDispositifButton() const { return m_ajouterDispositif; }
    QPushButton* effacerSelectionButton() const { return m_effacer; }
    QPlainTextEdit* notesField() const { return m_notes; }
    QPushButton* supprimerBenneButton() const { return m_supprimer; }
    BennePreviewRow* apercu() const { return m_apercu; }
    QWidget* champ(Champ c) const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // "Enregistrer" stored the skip (new or not).
    void saved(kv::Benne* benne);
    // "Annuler", or the skip was deleted.
    void cancelled();

private:
    void chargerBenne();
    void supprimerBenne();
    void confirmerSuppression();
    void stepVolume(int delta);
    void setVolumeByUser(double volume);
    void showVolume();
    void selectDispositif(DispositifSpecial* dispositif);
    void rebuildPicker();
    void refresh();
    void montrerSansDistinction();
    void lierChamps();

    ModelContext* m_context;
    Benne* m_benne;
    QList<DispositifSpecial*> m_dispositifs;

    double m_volume = 8.0;
    std::optional<EtatBenne> m_etat = EtatBenne::correct;
    DispositifSpecial* m_dispositifSelectionne = nullptr;

    forms::EditorFrame* m_frame = nullptr;
    BennePreviewRow* m_apercu = nullptr;
    QWidget* m_volumeRow = nullptr;
    QSlider* m_slider = nullptr;
    QWidget* m_stepper = nullptr;
    forms::NumberField* m_volumeField = nullptr;
    QLabel* m_volumeLabel = nullptr;
    forms::ColorField* m_couleur = nullptr;
    QList<QPushButton*> m_etatButtons;
    QComboBox* m_picker = nullptr;
    QLineEdit* m_nouveauDispositif = nullptr;
    QPushButton* m_ajouterDispositif = nullptr;
    QPushButton* m_effacer = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QLabel* m_sansDistinction = nullptr;
    forms::FormSection* m_dangerSection = nullptr;
    QPushButton* m_supprimer = nullptr;
    forms::LiveForm* m_live = nullptr;
    bool m_loading = false;
    bool m_shownOnce = false;
};

} // namespace kv
