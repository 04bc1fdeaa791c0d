#include "pdfpreview.h"

#include "widgets/focusstyle.h"

#include <QKeyEvent>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfView>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kv {

PDFPreview::PDFPreview(const QByteArray& data, QWidget* parent)
    : QWidget(parent), m_document(new QPdfDocument(this)), m_view(new QPdfView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setDocumentMargins(QMargins(0, 0, 0, 0));
    m_view->setPageSpacing(6);
    m_view->setDocument(m_document);
    m_view->setAccessibleName(QStringLiteral("Aperçu PDF"));
    // The pages are white paper whatever the desktop's colours.
    outlineFocus(m_view, Qt::white);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    connect(m_document, &QPdfDocument::statusChanged, this, [this] {
        applyZoom();
        describe();
    });
    setData(data);
}

PDFPreview::~PDFPreview()
{
    // The document reads the buffer, which goes before the children do.
    m_view->setDocument(nullptr);
    delete m_document;
}

void PDFPreview::setData(const QByteArray& data)
{
    m_document->close();
    m_buffer.close();
    m_data = data;
    m_buffer.setData(m_data);
    if (m_data.isEmpty())
        return;
    m_buffer.open(QIODevice::ReadOnly);
    m_document->load(&m_buffer);
    applyZoom();
    describe();
}

void PDFPreview::describe()
{
    // The text of every page, as a reader reads a document.
    QStringList pages;
    for (int page = 0; page < m_document->pageCount(); ++page)
        pages << m_document->getAllText(page).text();
    m_view->setAccessibleDescription(pages.join(QLatin1Char('\n')));
}

double PDFPreview::fitZoom() const
{
    const QSizeF page = m_document->pageCount() > 0 ? m_document->pagePointSize(0) : QSizeF();
    if (page.width() <= 0)
        return 1;
    // A zoom of 1 draws a point as the screen's logical inch over 72.
    return m_view->viewport()->width() / (page.width() * logicalDpiX() / 72.0);
}

double PDFPreview::zoom() const
{
    return m_view->zoomMode() == QPdfView::ZoomMode::Custom ? m_view->zoomFactor() : fitZoom();
}

void PDFPreview::applyZoom()
{
    const double fit = fitZoom();
    if (m_customZoom > 0 || fit < kMinimumZoom) {
        m_view->setZoomMode(QPdfView::ZoomMode::Custom);
        m_view->setZoomFactor(std::max(m_customZoom > 0 ? m_customZoom : fit, kMinimumZoom));
    } else {
        m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    }
}

void PDFPreview::zoomBy(double factor)
{
    m_customZoom = std::clamp(zoom() * factor, kMinimumZoom, 4.0);
    applyZoom();
}

void PDFPreview::resetZoom()
{
    m_customZoom = 0;
    applyZoom();
}

bool PDFPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Wheel) {
        auto* roue = static_cast<QWheelEvent*>(event);
        if (roue->modifiers() & Qt::ControlModifier) {
            if (const int crans = roue->angleDelta().y(); crans != 0)
                zoomBy(std::pow(1.25, crans / 120.0));
            return true;
        }
    }
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        applyZoom();
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(event);
        if ((touche->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            switch (touche->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                zoomBy(1.25);
                return true;
            case Qt::Key_Minus:
                zoomBy(0.8);
                return true;
            case Qt::Key_0:
                resetZoom();
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
