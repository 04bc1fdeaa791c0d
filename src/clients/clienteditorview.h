#pragma once

// The editor of a client and of its contacts. The client's fields are copied into the form and
// written back only by "Enregistrer"; contact cards edit their Contact records in place (the
// context's automatic save stores those keystrokes), and contacts are added and deleted at once.
// The editor never changes which client it is given: its caller does, through setClient().

#include <QFrame>
#include <QList>
#include <QWidget>

#include "widgets/forms/dialogs.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kv {
class Client;
class Contact;
class ModelContext;
}

namespace kv::forms {
class ColorField;
class EditorFrame;
class FormSection;
}

namespace kv {

// One contact person of a client, its fields written straight into the record.
class ContactCard : public QFrame {
    Q_OBJECT
public:
    ContactCard(Contact* contact, std::function<void()> onDelete, QWidget* parent = nullptr);
    ~ContactCard() override;
    Contact* contact() const { return m_contact; }
    QLineEdit* prenomField() const { return m_prenom; }
    QLineEdit* nomField() const { return m_nom; }
    QLineEdit* telephoneField() const { return m_telephone; }
    QLineEdit* emailField() const { return m_email; }
    QPushButton* deleteButton() const { return m_delete; }
    // True when no field holds more than spaces.
    bool estVide() const;
    // The fields in the order Tab follows, the delete button last.
    QList<QWidget*> tabOrder() const;

private:
    Contact* m_contact;
    QLineEdit* m_prenom;
    QLineEdit* m_nom;
    QLineEdit* m_telephone;
    QLineEdit* m_email;
    QPushButton* m_delete;
};

class ClientEditorView : public QWidget {
    Q_OBJECT
public:
    enum class Champ { nom, adresse, cp, ville, telephone, email, tva };

    ClientEditorView(ModelContext* context, Client* client, QWidget* parent = nullptr);
    ~ClientEditorView() override;

    Client* client() const { return m_client; }
    // Points the editor at another client (or none for a new one); the form is reloaded when
    // the client differs from the one shown, discarding unsaved edits.
    void setClient(Client* client);

    // What is asked before a client is deleted, here and from the list.
    static forms::Question questionSuppression();

    bool peutEnregistrer() const;
    bool emailValide() const;

    // Writes the form to the client (or a new one) and saves; true once stored. A failure is
    // reported and the form stays as typed; a new client that could not be saved is not kept.
    bool enregistrer();

    // What the screen asks before the editor is left.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return peutEnregistrer() && emailValide(); }
    bool saveChanges() { return enregistrer(); }
    void focusFirstField();

    QLineEdit* champ(Champ c) const;
    forms::ColorField* couleur() const { return m_couleur; }
    forms::EditorFrame* frame() const { return m_frame; }
    QList<ContactCard*> contactCards() const { return m_cards; }
    QPushButton* ajouterContactButton() const { return m_ajouterContact; }
    QPushButton* supprimerClientButton() const { return m_supprimerClient; }
    QLabel* aucunContactLabel() const { return m_aucunContact; }

signals:
    // "Enregistrer" stored the client (new or not).
    void saved(kv::Client* client);
    // "Annuler", or the client was deleted.
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chargerClient();
    void ajouterContact();
    void supprimerContact(Contact* contact);
    void demanderSuppressionContact(Contact* contact);
    void oublierContactsVides(ContactCard* sauf = nullptr);
    QStringList formulaire() const;
    void supprimerClient();
    void confirmerSuppression();
    void updateMode();
    void updateValidity();
    void rebuildContacts();

    ModelContext* m_context;
    Client* m_client;

    forms::EditorFrame* m_frame = nullptr;
    QLineEdit* m_nom = nullptr;
    QLineEdit* m_adresse = nullptr;
    QLineEdit* m_codePostal = nullptr;
    QLineEdit* m_ville = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_numeroTVA = nullptr;
    forms::ColorField* m_couleur = nullptr;
    forms::FormSection* m_contactsSection = nullptr;
    forms::FormSection* m_dangerSection = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QLabel* m_aucunContact = nullptr;
    QPushButton* m_ajouterContact = nullptr;
    QPushButton* m_supprimerClient = nullptr;
    QList<ContactCard*> m_cards;
    QStringList m_formulaireCharge; // the form as loaded or last saved
    bool m_shownOnce = false;
};

} // namespace kv
