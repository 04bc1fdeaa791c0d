#include "editorframe.h"

#include "widgets/focusguard.h"

#include "formstyle.h"
#include "numberfield.h"
#include "windowkey.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace kv::forms {

namespace {

// Scrolls its form up and down only: it asks its layout for the width of the form, so that the
// list beside it gives way first, and a form never scrolls sideways.
class VerticalScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize minimumSizeHint() const override
    {
        QSize size = QScrollArea::minimumSizeHint();
        if (widget())
            size.setWidth(std::max(size.width(), widget()->minimumSizeHint().width()
                                                     + verticalScrollBar()->sizeHint().width() + 2 * frameWidth()));
        return size;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }
};

} // namespace

namespace {

QLabel* symbolLabel(const QString& symbol, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const QIcon icon = symbolIcon(symbol);
    if (!icon.isNull())
        label->setPixmap(icon.pixmap(side, side));
    label->setFixedSize(side, side);
    return label;
}

// Drawn over a widget to mark its content as invalid.
class InvalidOutline : public QWidget {
public:
    explicit InvalidOutline(QWidget* target) : QWidget(target)
    {
        setObjectName(QStringLiteral("invalidOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        target->installEventFilter(this);
        setGeometry(target->rect());
        raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(255, 0, 0, 128), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

} // namespace

FormSection::FormSection(const QString& title, const QString& symbol, QWidget* parent)
    : QWidget(parent), m_title(title)
{
    setObjectName(QStringLiteral("section:") + title);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 6, 4, 6);
    header->setSpacing(8);
    header->addWidget(symbolLabel(symbol, 16, this));
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setFont(fontFor(TextStyle::Headline, font()));
    header->addWidget(titleLabel);
    header->addStretch(1);
    outer->addLayout(header);

    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("formSectionBox"));
    box->setStyleSheet(QStringLiteral("#formSectionBox { background: palette(alternate-base);"
                                      " border: 1px solid rgba(128, 128, 128, 70);"
                                      " border-radius: 8px; }"));
    m_content = new QVBoxLayout(box);
    m_content->setContentsMargins(12, 12, 12, 12);
    m_content->setSpacing(10);
    outer->addWidget(box);
}

QGridLayout* FormSection::grid()
{
    if (!m_grid) {
        m_grid = new QGridLayout;
        m_grid->setHorizontalSpacing(16);
        m_grid->setVerticalSpacing(12);
        m_grid->setColumnStretch(1, 1);
        m_content->addLayout(m_grid);
    }
    return m_grid;
}

namespace {

// The height of one line of field: labels stand level with a field's first line, so a field
// that grows below (a message, several lines) leaves its label where it was.
int fieldLineHeight()
{
    static const int height = QLineEdit().sizeHint().height();
    return height;
}

// The number fields of a row, in the order they stand.
void collectNumberFields(QLayoutItem* item, QList<NumberField*>& out)
{
    if (QWidget* w = item->widget()) {
        if (auto* field = qobject_cast<NumberField*>(w))
            out.append(field);
        else
            out.append(w->findChildren<NumberField*>());
    } else if (QLayout* l = item->layout()) {
        for (int i = 0; i < l->count(); ++i)
            collectNumberFields(l->itemAt(i), out);
    }
}

QLabel* rowLabel(const QString& text, int width, QWidget* parent)
{
    QLabel* label = makeFieldLabel(text, width, parent);
    label->setMinimumHeight(fieldLineHeight());
    return label;
}

} // namespace

int FormSection::addRow(const QString& label, QWidget* field)
{
    QGridLayout* g = grid();
    const int row = g->rowCount();
    g->addWidget(rowLabel(label, m_labelWidth, this), row, 0, Qt::AlignTop | Qt::AlignRight);
    // A field that can grow takes the width of the pane; the others keep their own.
    if (field->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag)
        g->addWidget(field, row, 1, Qt::AlignVCenter);
    else
        g->addWidget(field, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    placeMessages(g->itemAtPosition(row, 1));
    return row;
}

int FormSection::addRow(const QString& label, QLayout* field)
{
    QGridLayout* g = grid();
    const int row = g->rowCount();
    g->addWidget(rowLabel(label, m_labelWidth, this), row, 0, Qt::AlignTop | Qt::AlignRight);
    g->addLayout(field, row, 1);
    placeMessages(g->itemAtPosition(row, 1));
    return row;
}

void FormSection::placeMessages(QLayoutItem* fields)
{
    // A refused number's message reads under its row, as wide as the fields, and takes no room
    // while hidden.
    QList<NumberField*> numbers;
    if (fields)
        collectNumberFields(fields, numbers);
    QGridLayout* g = grid();
    for (NumberField* n : numbers) {
        QLabel* message = n->messageLabel();
        if (QLayout* own = n->layout())
            own->removeWidget(message);
        g->addWidget(message, g->rowCount(), 1);
    }
}

EditorFrame::EditorFrame(const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("editorHeaderBar"));
    bar->setAutoFillBackground(true);
    QPalette barPalette = bar->palette();
    barPalette.setColor(QPalette::Window, barPalette.color(QPalette::Window).darker(104));
    bar->setPalette(barPalette);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(16, 12, 16, 12);
    barLayout->setSpacing(12);
    barLayout->addWidget(symbolLabel(symbol, 24, bar));
    m_title = new QLabel(title, bar);
    m_title->setObjectName(QStringLiteral("editorTitle"));
    m_title->setFont(fontFor(TextStyle::Title3, font()));
    barLayout->addWidget(m_title);
    barLayout->addStretch(1);
    m_cancel = new QPushButton(QStringLiteral("Annuler"), bar);
    m_cancel->setToolTip(QStringLiteral("Annuler (Ctrl+Échap)"));
    barLayout->addWidget(m_cancel);
    m_save = new QPushButton(symbolIcon(QStringLiteral("checkmark.circle.fill")),
                             QStringLiteral("Enregistrer"), bar);
    m_save->setToolTip(QStringLiteral("Enregistrer (Ctrl+Entrée)"));
    m_save->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
        " border-radius: 5px; padding: 4px 12px; }"
        "QPushButton:disabled { background: rgba(128, 128, 128, 80); color: rgba(0, 0, 0, 90); }"));
    barLayout->addWidget(m_save);
    layout->addWidget(bar);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setFixedHeight(1);
    QPalette dp = divider->palette();
    dp.setColor(QPalette::WindowText, toneColor(Tone::Quaternary, dp.color(QPalette::WindowText)));
    divider->setPalette(dp);
    layout->addWidget(divider);

    auto* scroll = new VerticalScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* body = new QWidget(scroll);
    m_body = new QVBoxLayout(body);
    m_body->setContentsMargins(16, 16, 16, 16);
    m_body->setSpacing(20);
    m_body->addStretch(1);
    scroll->setWidget(body);
    layout->addWidget(scroll, 1);

    connect(m_cancel, &QPushButton::clicked, this, &EditorFrame::cancelRequested);
    connect(m_save, &QPushButton::clicked, this, &EditorFrame::saveRequested);
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return),
                                     QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, [this] {
            if (m_save->isEnabled())
                m_save->click();
        });
    }
    m_cancelKey = new WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { m_cancel->click(); });
}

void EditorFrame::setCancelKeys(const QKeySequence& keys)
{
    m_cancelKey->setKeys(keys);
    m_cancel->setToolTip(QStringLiteral("Annuler (%1)").arg(keys.toString(QKeySequence::NativeText)));
}

void EditorFrame::setTitle(const QString& title)
{
    m_title->setText(title);
}

QString EditorFrame::title() const
{
    return m_title->text();
}

void EditorFrame::setSaveText(const QString& text)
{
    m_save->setText(text);
}

void EditorFrame::setSaveEnabled(bool enabled)
{
    m_save->setEnabled(enabled);
}

FormSection* EditorFrame::addSection(const QString& title, const QString& symbol)
{
    auto* s = new FormSection(title, symbol, m_body->parentWidget());
    m_body->insertWidget(m_body->count() - 1, s);
    return s;
}

FormSection* EditorFrame::section(const QString& title) const
{
    return findChild<FormSection*>(QStringLiteral("section:") + title);
}

QPushButton* makeDangerButton(const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(paintedSymbolIcon(QStringLiteral("trash"), Qt::white), text, parent);
    b->setStyleSheet(QStringLiteral(
        "QPushButton { background: #D92D20; color: white; border-radius: 5px; padding: 4px 12px; }"
        "QPushButton:pressed { background: #B42318; }"));
    return b;
}

void setInvalidOutline(QWidget* target, bool invalid)
{
    auto* existing = target->findChild<QWidget*>(QStringLiteral("invalidOutline"),
                                                 Qt::FindDirectChildrenOnly);
    if (invalid && !existing) {
        auto* outline = new InvalidOutline(target);
        outline->show();
    } else if (!invalid && existing) {
        delete existing;
    }
}

bool hasInvalidOutline(const QWidget* target)
{
    return target->findChild<QWidget*>(QStringLiteral("invalidOutline"), Qt::FindDirectChildrenOnly);
}

EditorFrame::~EditorFrame()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
