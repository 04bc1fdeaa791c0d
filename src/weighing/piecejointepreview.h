#pragma once

// The preview of a ticket's attached document: a PDF in a PDF view, anything else read as an
// image, a placeholder when there is no document or the image cannot be read. The file is read
// when the path changes, never at each paint.

#include <QImage>
#include <QWidget>

#include <optional>

class QPdfDocument;
class QPdfView;
class QStackedLayout;

namespace kv {

namespace forms {
class EmptyState;
}

class PieceJointePreview : public QWidget {
    Q_OBJECT
public:
    enum class Contenu { Aucun, Pdf, Image, ImageIlisible, HorsDossier };

    explicit PieceJointePreview(QWidget* parent = nullptr);

    // What a path shows, from its name alone: none or empty is no document, a "pdf" extension in
    // any case is a PDF, anything else an image.
    static Contenu contenuPour(const std::optional<QString>& chemin);

    // Shows the document at `chemin`; the file is read again only when the path differs.
    void setChemin(const std::optional<QString>& chemin);
    // A document that is not ours to read (outside the tickets folder): only a placeholder.
    void setHorsDossier(const QString& chemin);
    std::optional<QString> chemin() const { return m_chemin; }

    Contenu contenu() const { return m_contenu; }
    QPdfDocument* document() const { return m_document; }
    QImage image() const { return m_image; }

private:
    void montrer(Contenu contenu);

    std::optional<QString> m_chemin;
    bool m_horsDossier = false;
    Contenu m_contenu = Contenu::Aucun;
    QStackedLayout* m_pile = nullptr;
    forms::EmptyState* m_aucun = nullptr;
    forms::EmptyState* m_illisible = nullptr;
    forms::EmptyState* m_horsDossierVue = nullptr;
    QPdfView* m_pdf = nullptr;
    QPdfDocument* m_document = nullptr;
    class ImageVue* m_imageVue = nullptr;
    QImage m_image;
};

} // namespace kv
