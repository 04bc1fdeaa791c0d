#pragma once

// Shows the bytes of a PDF document, scaled to the width of the view, every page one under the
// other. Bytes that are not a PDF show an empty view.

#include <QBuffer>
#include <QByteArray>
#include <QWidget>

class QPdfDocument;
class QPdfView;

namespace kv {

class PDFPreview : public QWidget {
    Q_OBJECT
public:
    explicit PDFPreview(const QByteArray& data = {}, QWidget* parent = nullptr);
    ~PDFPreview() override;

    // Shows a new document made from `data`, whether or not it changed.
    void setData(const QByteArray& data);
    QByteArray data() const { return m_data; }

    QPdfDocument* document() const { return m_document; }
    QPdfView* view() const { return m_view; }

private:
    QByteArray m_data;
    QBuffer m_buffer;
    QPdfDocument* m_document;
    QPdfView* m_view;
};

} // namespace kv
