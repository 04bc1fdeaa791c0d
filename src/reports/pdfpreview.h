#pragma once

// Shows the bytes of a PDF document, scaled to the width of the view, every page one under the
// other. Bytes that are not a PDF show an empty view. Ctrl+wheel (and Ctrl+plus, Ctrl+minus,
// Ctrl+0) zooms; however narrow the view, a page is never drawn smaller than kMinimumZoom, it
// scrolls sideways inside the view instead. A screen reader hears the view's name and the
// document's text.

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

    // Below this scale a page's text is too small to read.
    static constexpr double kMinimumZoom = 0.6;
    // The scale the pages are drawn at.
    double zoom() const;
    // Another scale, `factor` times the current one (within reach of reading), kept until reset.
    void zoomBy(double factor);
    // Back to the view's width.
    void resetZoom();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The scale that fits a page to the view's width.
    double fitZoom() const;
    // Fits the width, or the smallest readable scale where that is smaller.
    void applyZoom();
    void describe();

    double m_customZoom = 0; // 0: fit the width
    QByteArray m_data;
    QBuffer m_buffer;
    QPdfDocument* m_document;
    QPdfView* m_view;
};

} // namespace kv
