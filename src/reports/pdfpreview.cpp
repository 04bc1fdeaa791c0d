#include "pdfpreview.h"

#include "widgets/focusstyle.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

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
    outlineFocus(m_view);
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
}

} // namespace kv
