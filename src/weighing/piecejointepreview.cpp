#include "piecejointepreview.h"

#include "widgets/focusstyle.h"
#include "widgets/forms/detailpane.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>
#include <QStackedLayout>

namespace kv {

// The image scaled to fit, proportions kept, centred.
class ImageVue : public QWidget {
public:
    explicit ImageVue(QWidget* parent) : QWidget(parent) {}
    void setImage(const QImage& image)
    {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_image.isNull())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize taille = m_image.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect cible(QPoint((width() - taille.width()) / 2, (height() - taille.height()) / 2), taille);
        p.drawImage(cible, m_image);
    }

private:
    QImage m_image;
};

PieceJointePreview::PieceJointePreview(QWidget* parent) : QWidget(parent)
{
    m_pile = new QStackedLayout(this);
    m_aucun = new forms::EmptyState(QStringLiteral("doc"), QStringLiteral("Aperçu"),
                                    QStringLiteral("Aucune pièce jointe"), this);
    m_illisible = new forms::EmptyState(QStringLiteral("photo"), QStringLiteral("Aperçu image"),
                                        QStringLiteral("Impossible d'ouvrir l'image."), this);
    m_horsDossierVue = new forms::EmptyState(
        QStringLiteral("doc"), QStringLiteral("Aperçu"),
        QStringLiteral("Ce document est hors du dossier des tickets : il n'est pas affiché."), this);
    m_document = new QPdfDocument(this);
    m_pdf = new QPdfView(this);
    m_pdf->setPageMode(QPdfView::PageMode::MultiPage);
    m_pdf->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_pdf->setDocument(m_document);
    outlineFocus(m_pdf);
    m_imageVue = new ImageVue(this);
    m_aucun->setObjectName(QStringLiteral("apercuAucun"));
    m_illisible->setObjectName(QStringLiteral("apercuIllisible"));
    m_horsDossierVue->setObjectName(QStringLiteral("apercuHorsDossier"));
    m_pdf->setObjectName(QStringLiteral("apercuPdf"));
    m_pdf->setAccessibleName(QStringLiteral("Aperçu du bordereau"));
    m_imageVue->setObjectName(QStringLiteral("apercuImage"));
    for (QWidget* w : {static_cast<QWidget*>(m_aucun), static_cast<QWidget*>(m_pdf),
                       static_cast<QWidget*>(m_imageVue), static_cast<QWidget*>(m_illisible),
                       static_cast<QWidget*>(m_horsDossierVue)})
        m_pile->addWidget(w);
    montrer(Contenu::Aucun);
}

PieceJointePreview::Contenu PieceJointePreview::contenuPour(const std::optional<QString>& chemin)
{
    if (!chemin || chemin->isEmpty())
        return Contenu::Aucun;
    // The extension is what follows the last "." of the file name; a path of blanks is a path.
    const QString nom = QFileInfo(*chemin).fileName();
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    const QString extension = point < 0 ? QString() : nom.mid(point + 1).toLower();
    return extension == QLatin1String("pdf") ? Contenu::Pdf : Contenu::Image;
}

void PieceJointePreview::setChemin(const std::optional<QString>& chemin)
{
    if (!m_horsDossier && chemin == m_chemin)
        return;
    m_horsDossier = false;
    m_chemin = chemin;
    m_image = QImage();
    m_imageVue->setImage({});
    switch (contenuPour(chemin)) {
    case Contenu::Pdf:
        // A file that cannot be opened leaves the view empty.
        if (m_document->load(*chemin) != QPdfDocument::Error::None)
            m_document->close();
        montrer(Contenu::Pdf);
        return;
    case Contenu::Image: {
        m_document->close();
        QImageReader lecteur(*chemin);
        lecteur.setAutoTransform(true);
        m_image = lecteur.read();
        m_imageVue->setImage(m_image);
        montrer(m_image.isNull() ? Contenu::ImageIlisible : Contenu::Image);
        return;
    }
    default:
        m_document->close();
        montrer(Contenu::Aucun);
        return;
    }
}

void PieceJointePreview::setHorsDossier(const QString& chemin)
{
    m_horsDossier = true;
    m_chemin = chemin;
    m_image = QImage();
    m_imageVue->setImage({});
    m_document->close();
    montrer(Contenu::HorsDossier);
}

void PieceJointePreview::montrer(Contenu contenu)
{
    m_contenu = contenu;
    switch (contenu) {
    case Contenu::Aucun: m_pile->setCurrentWidget(m_aucun); break;
    case Contenu::Pdf: m_pile->setCurrentWidget(m_pdf); break;
    case Contenu::Image: m_pile->setCurrentWidget(m_imageVue); break;
    case Contenu::ImageIlisible: m_pile->setCurrentWidget(m_illisible); break;
    case Contenu::HorsDossier: m_pile->setCurrentWidget(m_horsDossierVue); break;
    }
}

} // namespace kv
