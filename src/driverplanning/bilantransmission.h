#pragma once

// What "Transmettre planning" could not hand over: the summary of the run, then one line per
// message that no mail program took, each of which can be copied (to paste it into any mail
// program) or saved as a text file.

#include "emailplanning.h"

#include <QDateTime>
#include <QDialog>

class QLabel;
class QPushButton;

namespace kv {

class BilanTransmissionDialog : public QDialog {
    Q_OBJECT
public:
    BilanTransmissionDialog(const BilanTransmission& bilan, const QDateTime& date, QWidget* parent = nullptr);

    // The summary shown above the messages.
    QString texte() const;
    int nombreMessages() const { return int(m_messages.size()); }
    QPushButton* boutonCopier(int index) const;
    QPushButton* boutonEnregistrer(int index) const;
    // What became of a message: copied, saved where, or why it could not be saved.
    QString etat(int index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Ligne {
        QPushButton* copier = nullptr;
        QPushButton* enregistrer = nullptr;
        QString etat;
    };
    void copier(int index);
    void enregistrer(int index);
    // What became of the last message acted on, in the line kept for it above the buttons: the
    // text `avant`, then a path quoted (`chemin`), then `apres`. Where the line is short, the path
    // gives way, cut in its middle between its quotes; the sentence around it stays whole.
    void dire(int index, const QString& avant, const QString& chemin = {}, const QString& apres = {});
    void ajusterHauteur();

    QList<MessageNonOuvert> m_messages;
    QDateTime m_date;
    QLabel* m_texte = nullptr;
    QLabel* m_etat = nullptr;
    QWidget* m_zone = nullptr;
    QList<Ligne> m_lignes;
};

} // namespace kv
