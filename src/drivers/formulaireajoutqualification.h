#pragma once

// The sheet that creates a qualification: the name is stored as typed, and "Enregistrer" stays
// disabled while the name is blank once white space and line ends are trimmed.

#include "feuilleajout.h"

#include <functional>

class QLineEdit;

namespace kv {
class Qualification;
}

namespace kv {

class FormulaireAjoutQualification : public FeuilleAjout {
    Q_OBJECT
public:
    FormulaireAjoutQualification(ModelContext* context, std::function<void()> onClose,
                                 QWidget* parent = nullptr);

    QLineEdit* champNom() const { return m_nom; }
    // Called with the qualification stored, before the sheet closes.
    void setOnCreated(std::function<void(Qualification*)> onCreated) { m_onCreated = std::move(onCreated); }
    void enregistrer();

    void reject() override;

private:
    void fermer();

    ModelContext* m_context;
    std::function<void()> m_onClose;
    std::function<void(Qualification*)> m_onCreated;
    QLineEdit* m_nom = nullptr;
};

} // namespace kv
