#pragma once

// The sheet that creates a specialisation: the name is stored without the spaces and tabs around
// it (line ends stay), and "Enregistrer" stays disabled while nothing else is left.

#include "feuilleajout.h"

#include <functional>

class QLineEdit;

namespace kv {

class FormulaireAjoutSpecialisation : public FeuilleAjout {
    Q_OBJECT
public:
    FormulaireAjoutSpecialisation(ModelContext* context, std::function<void()> onClose,
                                 QWidget* parent = nullptr);

    QLineEdit* champNom() const { return m_nom; }
    void enregistrer();

    void reject() override;

private:
    void fermer();

    ModelContext* m_context;
    std::function<void()> m_onClose;
    QLineEdit* m_nom = nullptr;
};

} // namespace kv
