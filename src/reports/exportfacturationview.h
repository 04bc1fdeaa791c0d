#pragma once

// "→Facturation": the user picks a period and saves the billing CSV by client where they choose.

#include "model/horloge.h"

#include <QWidget>

class QDateEdit;
class QLabel;
class QPushButton;

namespace kv {

class ConfirmationFichier;
class ModelContext;

class ExportFacturationView : public QWidget {
    Q_OBJECT
public:
    explicit ExportFacturationView(ModelContext* context, QWidget* parent = nullptr);
    ExportFacturationView(ModelContext* context, Horloge horloge, QWidget* parent = nullptr);
    ~ExportFacturationView() override;

    QDateEdit* du() const { return m_du; }
    QDateEdit* au() const { return m_au; }
    QPushButton* boutonExporter() const { return m_exporter; }
    // The red line under the period: what keeps the export from running; hidden when nothing does.
    QLabel* ligneErreur() const { return m_ligneErreur; }
    // What the last export wrote and where, with a way to show it in its folder.
    ConfirmationFichier* confirmation() const { return m_confirmation; }

    // From the start of the "Du" day to the end of the "au" day, in the calendar's time zone.
    qint64 debutMs() const;
    qint64 finMs() const;

public slots:
    // Builds the text, asks where to save it and writes it; a failure is shown in an alert. A
    // period that ends before it starts is refused: nothing is asked nor written.
    void exporter();

signals:
    // A file was written (tests, status).
    void exporte(const QString& chemin);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What is wrong with the period, empty when it can be exported.
    QString erreurPeriode() const;
    // Shows or hides the red line and enables the button as the period allows.
    void verifierPeriode();
    // A new period: the last export's confirmation goes, the period is checked.
    void periodeChangee();
    // Shows the messages' room while it holds one, and keeps the form where it stands.
    void montrerMessages();
    // Makes the counterweight above the form as tall as the messages under it.
    void equilibrer();
    // Builds the billing text of the period and writes it at `chemin`, with a progress dialog
    // while that takes long; `nombre` receives the number of rentals billed. False, with the
    // reason, when the file could not be written.
    bool ecrireAvecProgression(const QString& chemin, qint64 debut, qint64 fin, qsizetype* nombre, QString* erreur);

    ModelContext* m_context;
    Horloge m_horloge;
    QDateEdit* m_du;
    QDateEdit* m_au;
    QPushButton* m_exporter;
    QWidget* m_contrepoids;
    QWidget* m_messages;
    QLabel* m_ligneErreur;
    ConfirmationFichier* m_confirmation;
};

} // namespace kv
