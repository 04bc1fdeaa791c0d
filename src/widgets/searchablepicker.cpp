#include "searchablepicker.h"

#include "widgets/forms/formstyle.h"
#include "widgets/forms/search.h"
#include "widgets/plaintext.h"

#include "model/helpers.h"
#include "model/records.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QToolTip>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <vector>

namespace kv {

namespace {
// The searchable text (folded, digits joined too) a search compares with.
constexpr int kFoldedRole = Qt::UserRole + 100;
// Rows the open list shows before it scrolls.
constexpr int kVisibleRows = 12;

// The room between a name and its detail.
int detailGap(const QFontMetrics& fm)
{
    return fm.horizontalAdvance(QLatin1Char('M'));
}

// How wide a detail is drawn beside its name in a room `room` points wide: the name keeps all the
// room it needs, the detail takes what is left (cut with "…"), and none when that is less than a
// few letters. Only a name longer than the whole room is cut.
int detailWidth(const QFontMetrics& fm, int room, const QString& name, const QString& detail)
{
    if (detail.isEmpty())
        return 0;
    // (A pixel more than the measure: a text whose width falls between two pixels is not cut.)
    const int nameWidth = std::min(fm.horizontalAdvance(name) + 1, room);
    const int left = room - nameWidth - detailGap(fm);
    if (left < fm.horizontalAdvance(QStringLiteral("MMM")))
        return 0;
    return std::min(fm.horizontalAdvance(detail) + 1, left);
}

// A detail cut to `width`: what follows its last " · " is what tells the entry apart from those
// sharing what comes before it (a phone after a shared town), so that part keeps its room and
// the parts before it are cut first.
QString elidedDetail(const QFontMetrics& fm, const QString& detail, int width)
{
    if (fm.horizontalAdvance(detail) < width)
        return detail;
    static const QString separator = QStringLiteral(" · ");
    const qsizetype at = detail.lastIndexOf(separator);
    if (at > 0) {
        const QString last = detail.mid(at);
        const int room = width - fm.horizontalAdvance(last) - 1;
        const QString first = fm.elidedText(detail.left(at), Qt::ElideRight, room);
        // A few letters of the first parts at least; else the last part alone.
        if (room > 0 && first.size() > 3)
            return first + last;
        const QString alone = detail.mid(at + separator.size());
        if (fm.horizontalAdvance(alone) < width)
            return alone;
    }
    return fm.elidedText(detail, Qt::ElideRight, width);
}

} // namespace

struct SearchablePicker::PreparedEntries::Row {
    QString text;
    QVariant data;
    QString detail;
    QString folded;
    QString foldedName;
    QString numbers; // one a line
    QString searchedToo;
};

namespace {

using Row = SearchablePicker::PreparedEntries::Row;

// What a search looks into: the name, then its detail.
QString searched(const QString& text, const QString& detail)
{
    return detail.isEmpty() ? text : text + QLatin1Char('\n') + detail;
}

// The digits of each part of a detail (parts stand between " · " or on lines of their own)
// that holds some, one a line: the numbers a search may match whole.
QString numbersOf(const QString& details)
{
    QString numbers;
    for (const QStringView line : QStringView(details).tokenize(QLatin1Char('\n')))
        for (const QStringView part : line.tokenize(QStringLiteral(" · "))) {
            bool digits = false;
            for (const QChar c : part)
                if (c.isDigit()) {
                    if (!digits && !numbers.isEmpty())
                        numbers.append(QLatin1Char('\n'));
                    digits = true;
                    numbers.append(c);
                }
        }
    numbers.squeeze();
    return numbers;
}

} // namespace

SearchablePicker::PreparedEntries::PreparedEntries(const QList<Entry>& entries, const PreparedEntries& before)
{
    QHash<QString, QString> known;
    if (before.rows) {
        known.reserve(before.rows->size());
        for (const Row& r : *before.rows)
            known.insert(searched(r.text, r.detail + QLatin1Char('\n') + r.searchedToo), r.folded);
    }
    auto made = std::make_shared<QList<Row>>();
    made->reserve(entries.size());
    for (const Entry& e : entries) {
        const QString more = e.detail + QLatin1Char('\n') + e.searchedToo;
        const QString both = searched(e.text, more);
        const auto it = known.constFind(both);
        made->append({e.text, e.data, e.detail, it != known.cend() ? *it : forms::searchable(both),
                      forms::fold(e.text.simplified()), numbersOf(more), e.searchedToo});
    }
    rows = std::move(made);
}

qsizetype SearchablePicker::PreparedEntries::size() const
{
    return rows ? rows->size() : 0;
}

// The rows: the "none" row when there is one, then a prepared list, shared with whoever made it.
class SearchablePicker::Entries : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    bool hasNone() const { return m_hasNone; }
    const PreparedEntries& list() const { return m_list; }

    void set(const QString& none, const PreparedEntries& list)
    {
        beginResetModel();
        m_widest = -1;
        m_list = list;
        m_hasNone = !none.isEmpty();
        m_none = {none, QVariant(), QString(), QString(), QString(), {}, QString()};
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= count())
            return {};
        const Row& r = row(index.row());
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return r.text;
        // A reader hears what the row shows beside the name, which tells look-alikes apart, in
        // the form of nomClientDistinct.
        case Qt::AccessibleTextRole:
            return r.detail.isEmpty() ? r.text : r.text + QStringLiteral(" (") + r.detail + QLatin1Char(')');
        case Qt::UserRole:
            return r.data;
        case kDetailRole:
            return r.detail;
        case kFoldedRole:
            return r.folded;
        default:
            return {};
        }
    }

    const QString& folded(int i) const { return row(i).folded; }
    // Whether the row's name is `foldedName`, or one of its numbers (a phone) is `digits`.
    bool matchesWhole(int i, const QString& foldedName, const QString& digits) const
    {
        const Row& r = row(i);
        if (!foldedName.isEmpty() && r.foldedName == foldedName)
            return true;
        if (digits.isEmpty())
            return false;
        for (const QStringView number : QStringView(r.numbers).tokenize(QLatin1Char('\n')))
            if (number == digits)
                return true;
        return false;
    }

    // The widest row's name, gap and detail in `font`, measured once per list and font.
    int widest(const QFont& font) const
    {
        if (m_widest < 0 || font != m_widestFont) {
            const QFontMetrics fm(font);
            m_widestFont = font;
            const int gap = fm.horizontalAdvance(QLatin1Char('M'));
            const auto exact = [&fm, gap](const Row& r) {
                return fm.horizontalAdvance(r.text) + 1 + (r.detail.isEmpty() ? 0 : gap + fm.horizontalAdvance(r.detail) + 1);
            };
            // Shaping thousands of rows would cost the first opening dearly: each row is first
            // counted from its characters' advances (each character measured once), then the
            // rows that count widest are measured whole. A row whose count falls short of its
            // shaped width by more than the margin is the only one that could be missed; the
            // widest count is kept too, so the list is never narrower than what was counted.
            QHash<QChar, int> avances;
            const auto compte = [&](const QString& texte) {
                int w = 0;
                for (const QChar c : texte) {
                    if (c.isSurrogate() || c.isMark())
                        return fm.horizontalAdvance(texte);
                    auto it = avances.constFind(c);
                    if (it == avances.cend())
                        it = avances.insert(c, fm.horizontalAdvance(c));
                    w += *it;
                }
                return w;
            };
            std::vector<std::pair<int, int>> comptes; // counted width, row
            comptes.reserve(count());
            for (int i = 0; i < count(); ++i) {
                const Row& r = row(i);
                comptes.emplace_back(compte(r.text) + 1 + (r.detail.isEmpty() ? 0 : gap + compte(r.detail) + 1), i);
            }
            std::sort(comptes.begin(), comptes.end(), std::greater<>());
            int most = comptes.empty() ? 0 : comptes.front().first;
            const int seuil = most - std::max(8, most / 20);
            constexpr std::size_t kMesuresAuPlus = 64;
            for (std::size_t k = 0; k < comptes.size() && k < kMesuresAuPlus && comptes[k].first >= seuil; ++k)
                most = std::max(most, exact(row(comptes[k].second)));
            m_widest = most;
        }
        return m_widest;
    }

private:
    int count() const { return int(m_list.size()) + (m_hasNone ? 1 : 0); }
    const Row& row(int i) const
    {
        if (m_hasNone)
            return i == 0 ? m_none : (*m_list.rows)[i - 1];
        return (*m_list.rows)[i];
    }

    PreparedEntries m_list;
    Row m_none;
    bool m_hasNone = false;
    mutable int m_widest = -1;
    mutable QFont m_widestFont;
};

// The rows holding every typed word; the "none" row only while nothing is typed.
class SearchablePicker::Filter : public QSortFilterProxyModel {
public:
    Filter(Entries* entries, QObject* parent) : QSortFilterProxyModel(parent), m_entries(entries)
    {
        setSourceModel(entries);
        sort(0);
    }

    // The typed text: the rows holding its words, those that match it whole first.
    void setQuery(const QString& text)
    {
        const QStringList words = forms::searchWords(text);
        if (words == m_words)
            return;
        m_words = words;
        m_wholeName = forms::fold(text.simplified());
        // Typed digits, with nothing but blanks, dots or dashes between them, stand for a number.
        m_wholeDigits.clear();
        for (const QChar c : text)
            if (c.isDigit())
                m_wholeDigits.append(c);
            else if (!c.isSpace() && c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('+')) {
                m_wholeDigits.clear();
                break;
            }
        // Each word with its digits joined, made once per search rather than once per row.
        m_joined.clear();
        for (const QString& w : words) {
            const QString joined = forms::joinDigits(w);
            m_joined.append(joined == w ? QString() : joined);
        }
        invalidate();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override
    {
        if (row == 0 && m_entries->hasNone())
            return m_words.isEmpty();
        const QString& folded = m_entries->folded(row);
        for (qsizetype i = 0; i < m_words.size(); ++i)
            if (!folded.contains(m_words.at(i)) && (m_joined.at(i).isEmpty() || !folded.contains(m_joined.at(i))))
                return false;
        return true;
    }

    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const bool a = !m_words.isEmpty() && m_entries->matchesWhole(left.row(), m_wholeName, m_wholeDigits);
        const bool b = !m_words.isEmpty() && m_entries->matchesWhole(right.row(), m_wholeName, m_wholeDigits);
        return a != b ? a : left.row() < right.row();
    }

private:
    Entries* m_entries;
    QStringList m_words;
    QStringList m_joined;
    QString m_wholeName;
    QString m_wholeDigits;
};

// A row of the open list: the name, then its detail on the right in a secondary tone; the
// detail gives way first.
class SearchablePicker::RowPainter : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString detail = index.data(kDetailRole).toString();
        QStyleOptionViewItem name = option;
        initStyleOption(&name, index);
        const QRect text = name.widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &name, name.widget);
        // The style draws a text within a margin on each side of its rectangle.
        const int margin = name.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, name.widget) + 1;
        const int width = detailWidth(name.fontMetrics, text.width() - 2 * margin, name.text, detail);
        if (width == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // The name is drawn by the style (selection, focus), in the room the detail leaves.
        name.rect.setRight(text.right() - width - detailGap(name.fontMetrics));
        name.widget->style()->drawControl(QStyle::CE_ItemViewItem, &name, painter, name.widget);
        // The selection runs under the detail too.
        QStyleOptionViewItem rest = option;
        rest.rect.setLeft(name.rect.right() + 1);
        rest.text.clear();
        rest.icon = QIcon();
        rest.features &= ~QStyleOptionViewItem::HasDisplay;
        rest.backgroundBrush = name.backgroundBrush;
        rest.state &= ~QStyle::State_HasFocus;
        name.widget->style()->drawControl(QStyle::CE_ItemViewItem, &rest, painter, name.widget);
        painter->save();
        painter->setFont(name.font);
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(forms::rowTextColor(option.palette, selected, forms::Tone::Secondary));
        const QRect room(text.right() - width + 1, text.top(), width, text.height());
        painter->drawText(room, Qt::AlignRight | Qt::AlignVCenter, elidedDetail(name.fontMetrics, detail, width));
        painter->restore();
    }
};

SearchablePicker::SearchablePicker(QWidget* parent)
    : FittingComboBox(parent), m_entries(new Entries(this)), m_filter(new Filter(m_entries, this))
{
    // Measuring thousands of names for the width would cost every layout: the layout gives it.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    setModel(m_entries);

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("listeRecherche"));
    m_popup->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(m_popup);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);
    m_search = new QLineEdit(m_popup);
    m_search->setObjectName(QStringLiteral("champRecherche"));
    m_search->setPlaceholderText(QStringLiteral("Rechercher"));
    v->addWidget(m_search);
    m_list = new QListView(m_popup);
    m_list->setObjectName(QStringLiteral("listeFiltree"));
    m_list->setModel(m_filter);
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setMouseTracking(true);
    m_list->setFocusPolicy(Qt::NoFocus); // the keys stay in the search field
    m_list->setStyleSheet(QStringLiteral("QListView::item { padding: 3px 4px; }"));
    m_list->setItemDelegate(new RowPainter(m_list));
    v->addWidget(m_list, 1);
    m_nothing = new QLabel(QStringLiteral("Aucun résultat"), m_popup);
    m_nothing->setObjectName(QStringLiteral("aucunResultat"));
    m_nothing->setAlignment(Qt::AlignCenter);
    m_nothing->setEnabled(false);
    m_nothing->hide();
    v->addWidget(m_nothing);

    // A screen reader says which of the look-alikes is chosen, as the tool tip does.
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setAccessibleDescription(currentDescription()); });
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Its clear button shows only over a text: made with the first one, since its themed icon
        // costs a sheet's first opening more than the rest of the picker.
        if (!text.isEmpty() && !m_search->isClearButtonEnabled())
            m_search->setClearButtonEnabled(true);
        search(text);
    });
    connect(m_list, &QListView::clicked, this, &SearchablePicker::choose);
    m_search->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
}

SearchablePicker::~SearchablePicker() = default;

QList<SearchablePicker::Entry> SearchablePicker::clientEntries(const QList<Client*>& clients,
                                                               const std::function<QVariant(Client*)>& data)
{
    QList<FicheClient> fiches;
    fiches.reserve(clients.size());
    for (const Client* c : clients)
        fiches.append(ficheClient(*c));
    return clientEntries(fiches, [&](qsizetype i) { return data ? data(clients.at(i)) : QVariant(); });
}

QList<SearchablePicker::Entry> SearchablePicker::clientEntries(const QList<FicheClient>& clients,
                                                               const std::function<QVariant(qsizetype)>& data)
{
    QList<Entry> entries;
    entries.reserve(clients.size());
    const QStringList details = clientDistinctions(clients);
    for (qsizetype i = 0; i < clients.size(); ++i) {
        const FicheClient& c = clients.at(i);
        entries.append({c.nom, data(i), details.at(i), c.telephone + QLatin1Char('\n') + c.email});
    }
    return entries;
}

void SearchablePicker::setEntries(const QString& none, const QList<Entry>& entries)
{
    setPreparedEntries(none, PreparedEntries(entries, m_entries->list()));
}

void SearchablePicker::setPreparedEntries(const QString& none, const PreparedEntries& entries)
{
    m_entries->set(none, entries);
    setCurrentIndex(count() > 0 ? 0 : -1);
    if (listShown())
        search(m_search->text());
}

QString SearchablePicker::currentDescription() const
{
    const QString detail = shownDetail();
    return detail.isEmpty() ? QString() : currentText() + QStringLiteral(" — ") + detail;
}

bool SearchablePicker::event(QEvent* event)
{
    // The closed picker shows the name; its tool tip tells which of the look-alikes it is.
    if (event->type() == QEvent::ToolTip) {
        const QString description = currentDescription();
        if (!description.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), plainToolTip(description), this);
            return true;
        }
    }
    return FittingComboBox::event(event);
}

bool SearchablePicker::listShown() const
{
    return m_popup->isVisible();
}

QStringList SearchablePicker::filteredTexts() const
{
    QStringList out;
    out.reserve(m_filter->rowCount());
    for (int i = 0; i < m_filter->rowCount(); ++i)
        out.append(m_filter->index(i, 0).data().toString());
    return out;
}

void SearchablePicker::showPopup()
{
    if (!isEnabled() || count() == 0)
        return;
    {
        const QSignalBlocker quiet(m_search);
        m_search->clear();
    }
    search(QString());
    // Named after the picker, as a screen reader says it: « Rechercher : Client ».
    const QString nom = accessibleName().isEmpty() ? QStringLiteral("Rechercher") : QStringLiteral("Rechercher : ") + accessibleName();
    m_search->setAccessibleName(nom);
    m_list->setAccessibleName(accessibleName().isEmpty() ? QStringLiteral("Résultats") : accessibleName());
    placePopup();
    // The current entry is chosen in the list, in the middle of the rows the list has room for.
    m_popup->layout()->activate();
    const QModelIndex current = m_filter->mapFromSource(m_entries->index(currentIndex(), 0));
    if (current.isValid()) {
        m_list->setCurrentIndex(current);
        m_list->scrollTo(current, QAbstractItemView::PositionAtCenter);
    }
    m_pointerAtOpening = QCursor::pos();
    m_popup->show();
    m_popup->raise();
    m_popup->activateWindow();
    m_search->setFocus(Qt::PopupFocusReason);
    update();
}

void SearchablePicker::hidePopup()
{
    if (m_popup->isVisible())
        m_popup->hide();
    update();
}

void SearchablePicker::placePopup()
{
    m_popup->ensurePolished();
    const int row = std::max(m_list->sizeHintForRow(0), fontMetrics().height() + 4);
    const int rows = std::clamp(count(), 1, kVisibleRows);
    const QMargins margins = m_popup->layout()->contentsMargins();
    const int frame = 2 * m_list->frameWidth();
    // The popup's own frame as well: a list a few points short of its rows would scroll.
    const QMargins frameMargins = m_popup->contentsMargins();
    const int height = frameMargins.top() + frameMargins.bottom() + margins.top() + margins.bottom()
        + m_search->sizeHint().height() + m_popup->layout()->spacing() + rows * row + frame;
    // As wide as the entries need, so that no name is cut for its detail; never wider than the
    // window it opens over.
    // What the popup takes around its list's rows: its frame and margins, the list's frame. It is
    // counted from the style, never from the geometry the popup happens to have: before its first
    // opening that is a default size with no scroll bar laid out, which left the list too narrow.
    // A list longer than its rows keeps its scroll bar, which widestRow() counts: the rows never
    // lose its width when it appears.
    m_list->setVerticalScrollBarPolicy(count() > kVisibleRows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    const int chrome = frameMargins.left() + frameMargins.right() + margins.left() + margins.right() + frame;
    const int width = std::max({this->width(), fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24,
                                widestRow() + chrome});
    const int top = mapToGlobal(QPoint(0, 0)).y();
    const int bottom = top + this->height();
    QRect r(QPoint(mapToGlobal(QPoint(0, 0)).x(), bottom), QSize(width, height));
    if (const QWidget* fenetre = window(); fenetre != this) {
        const QRect dedans(fenetre->mapToGlobal(QPoint(0, 0)), fenetre->size());
        r.setWidth(std::min(r.width(), std::max(this->width(), dedans.width())));
        if (r.right() > dedans.right())
            r.moveRight(dedans.right());
        if (r.left() < dedans.left())
            r.moveLeft(dedans.left());
        // Below the picker where the window has the room, else above it, else on the side with
        // more room, the list scrolling in the height it gets; never past the window's edges.
        const int below = dedans.bottom() - bottom + 1;
        const int above = top - dedans.top();
        if (height <= below) {
            r.moveTop(bottom);
        } else if (height <= above) {
            r.moveBottom(top - 1);
        } else {
            // The search field and a few rows at least, over the picker itself if it must.
            const int fewest = std::min(dedans.height(), height - (rows - std::min(rows, 3)) * row);
            const int room = std::max({below, above, fewest});
            r.setHeight(std::min(height, room));
            if (room == below)
                r.moveTop(bottom);
            else if (room == above)
                r.moveBottom(top - 1);
            else
                r.moveTop(std::clamp(bottom, dedans.top(), dedans.bottom() + 1 - r.height()));
        }
    }
    // Below the picker when the screen has the room, else above; always on the screen.
    if (const QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        if (r.bottom() > room.bottom() && top - r.height() >= room.top())
            r.moveBottom(top - 1);
        r.setWidth(std::min(r.width(), room.width()));
        r.setHeight(std::min(r.height(), room.height()));
        r.moveLeft(std::clamp(r.left(), room.left(), std::max(room.left(), room.right() + 1 - r.width())));
        r.moveTop(std::clamp(r.top(), room.top(), std::max(room.top(), room.bottom() + 1 - r.height())));
    }
    m_popup->setGeometry(r);
}

int SearchablePicker::widestRow() const
{
    // The texts, the row's padding (4 points each side), the style's margins around an item's
    // text, and the scroll bar when the list scrolls.
    const int styleMargins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    const int scrollBar = count() > kVisibleRows
        ? m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list) : 0;
    return m_entries->widest(m_list->font()) + 8 + styleMargins + scrollBar;
}

void SearchablePicker::search(const QString& text)
{
    m_filter->setQuery(text);
    const bool any = m_filter->rowCount() > 0;
    m_list->setVisible(any);
    m_nothing->setVisible(!any);
    // The first row left is the one Return chooses.
    if (any && !text.trimmed().isEmpty()) {
        m_list->setCurrentIndex(m_filter->index(0, 0));
        m_list->scrollToTop();
    }
}

void SearchablePicker::choose(const QModelIndex& filtered)
{
    if (!filtered.isValid())
        return;
    const int row = m_filter->mapToSource(filtered).row();
    hidePopup();
    setFocus(Qt::PopupFocusReason);
    setCurrentIndex(row);
    emit activated(row);
    emit textActivated(itemText(row));
}

void SearchablePicker::keyPressEvent(QKeyEvent* event)
{
    // Keys sent here while the list is open belong to its search field.
    if (listShown()) {
        QApplication::sendEvent(m_search, event);
        return;
    }
    // Typing on the closed picker opens the list and starts the search with what was typed.
    const QString text = event->text();
    const bool typing = !text.isEmpty() && text.at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typing) {
        showPopup();
        if (listShown() && !text.trimmed().isEmpty())
            m_search->insert(text);
        event->accept();
        return;
    }
    FittingComboBox::keyPressEvent(event);
}

void SearchablePicker::paintEvent(QPaintEvent* event)
{
    // The chosen entry shows with its detail, as in the open list.
    const QString detail = shownDetail();
    if (detail.isEmpty()) {
        FittingComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QString name = option.currentText;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
                            .adjusted(2, 0, -2, 0);
    const QFontMetrics fm = fontMetrics();
    const int width = detailWidth(fm, field.width(), name, detail);
    const int nameWidth = width > 0 ? std::min(fm.horizontalAdvance(name) + 1, field.width()) : field.width();
    // The name as the style draws any picker's text, then the detail after it.
    option.currentText = fm.elidedText(name, Qt::ElideRight, nameWidth);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    if (width > 0) {
        const QColor text = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
        painter.setPen(forms::toneColor(forms::Tone::Secondary, text));
        painter.drawText(QRect(field.left() + nameWidth + detailGap(fm), field.top(), width, field.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, elidedDetail(fm, detail, width));
    }
}

QString SearchablePicker::shownDetail() const
{
    return currentIndex() >= 0 ? itemData(currentIndex(), kDetailRole).toString() : QString();
}

void SearchablePicker::initStyleOption(QStyleOptionComboBox* option) const
{
    FittingComboBox::initStyleOption(option);
    // The ring shows whether the focus came by Tab, by a click or from the program.
    if (hasFocus() || listShown())
        option->state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
}

bool SearchablePicker::eventFilter(QObject* watched, QEvent* event)
{
    // The row under the moving pointer is the one Return would choose; a list opening under a
    // pointer at rest leaves the current entry chosen.
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->globalPosition().toPoint() != m_pointerAtOpening) {
            m_pointerAtOpening = QPoint(-1, -1);
            const QModelIndex under = m_list->indexAt(move->position().toPoint());
            if (under.isValid())
                m_list->setCurrentIndex(under);
        }
    }
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose(m_list->currentIndex());
            return true;
        case Qt::Key_Escape:
            hidePopup();
            setFocus(Qt::PopupFocusReason);
            return true;
        case Qt::Key_Home:
        case Qt::Key_End:
            // The first or last row left, however long the list.
            if (m_filter->rowCount() > 0) {
                const QModelIndex row = m_filter->index(key->key() == Qt::Key_Home ? 0 : m_filter->rowCount() - 1, 0);
                m_list->setCurrentIndex(row);
                m_list->scrollTo(row);
            }
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (!m_list->currentIndex().isValid() && m_filter->rowCount() > 0) {
                m_list->setCurrentIndex(m_filter->index(0, 0));
                return true;
            }
            QApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
    }
    return FittingComboBox::eventFilter(watched, event);
}

} // namespace kv
