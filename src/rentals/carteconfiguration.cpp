#include "carteconfiguration.h"

#include "widgets/glass/glass.h"
#include "widgets/icons.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kLargeur = 420;

// Rounded corners, the window colour and a soft shadow.
class Carte : public QWidget {
public:
    explicit Carte(QWidget* parent) : QWidget(parent)
    {
        auto* ombre = new QGraphicsDropShadowEffect(this);
        ombre->setColor(QColor(0, 0, 0, 84));
        ombre->setBlurRadius(16);
        ombre->setOffset(0, 2);
        setGraphicsEffect(ombre);
    }

    // The text's side margins, kept while the card has its full width.
    QLabel* texte = nullptr;

    QSize sizeHint() const override
    {
        return {kLargeur, heightForWidth(kLargeur)};
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        // Narrower than its full width (a small window), the text takes the room of its margins.
        const int marge = width() < kLargeur ? 0 : 40;
        if (texte && texte->contentsMargins().left() != marge)
            texte->setContentsMargins(marge, 0, marge, 0);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        // The window colour of where it stands, which its texts are written for.
        p.setBrush(palette().color(QPalette::Window));
        p.drawPath(glass::continuousRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 20));
    }
};

} // namespace

QWidget* carteConfiguration(const QString& texteRiche, QWidget* bouton, QWidget* parent)
{
    auto* carte = new Carte(parent);
    carte->setObjectName(QStringLiteral("carteConfiguration"));
    // At most 420 wide; narrower in a small window, where its texts wrap.
    carte->setMaximumWidth(kLargeur);
    carte->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* v = new QVBoxLayout(carte);
    v->setSpacing(24);
    v->setContentsMargins(16, 30, 16, 24);

    auto* symbole = new QLabel(carte);
    symbole->setAlignment(Qt::AlignCenter);
    symbole->setPixmap(paintedSymbolIcon(QStringLiteral("exclamationmark.triangle.fill"), QColor(0xF5, 0xC2, 0x11))
                           .pixmap(54, 54));
    v->addWidget(symbole);
    auto* titre = new QLabel(QStringLiteral("Configuration nécessaire"), carte);
    titre->setAlignment(Qt::AlignCenter);
    QFont ft = titre->font();
    ft.setPointSizeF(ft.pointSizeF() * 1.6);
    ft.setBold(true);
    titre->setFont(ft);
    titre->setWordWrap(true);
    v->addWidget(titre);
    auto* texte = new QLabel(texteRiche, carte);
    texte->setObjectName(QStringLiteral("texteConfiguration"));
    texte->setTextFormat(Qt::RichText);
    texte->setWordWrap(true);
    texte->setAlignment(Qt::AlignCenter);
    QFont f = texte->font();
    f.setPointSizeF(f.pointSizeF() * 1.25);
    texte->setFont(f);
    QPalette pal = texte->palette();
    QColor secondaire = pal.color(QPalette::WindowText);
    secondaire.setAlphaF(0.6);
    pal.setColor(QPalette::WindowText, secondaire);
    texte->setPalette(pal);
    texte->setContentsMargins(40, 0, 40, 0);
    carte->texte = texte;
    v->addWidget(texte);
    if (bouton) {
        bouton->setParent(carte);
        auto* rangee = new QHBoxLayout;
        rangee->addStretch(1);
        rangee->addWidget(bouton);
        rangee->addStretch(1);
        v->addSpacing(8);
        v->addLayout(rangee);
    } else {
        v->addStretch(1);
    }
    return carte;
}

} // namespace kv
