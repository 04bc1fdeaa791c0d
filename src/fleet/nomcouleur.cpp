#include "nomcouleur.h"

#include <algorithm>

namespace kv {

namespace {

// The name of a colour with a clear hue, by its hue (degrees) and lightness (0…1).
QString nomTeinte(int teinte, double clarte)
{
    const bool fonce = clarte < 0.3;
    const bool clair = clarte > 0.72;
    if (teinte < 15 || teinte >= 345)
        return fonce ? QStringLiteral("bordeaux") : clair ? QStringLiteral("rose") : QStringLiteral("rouge");
    if (teinte < 45)
        return clarte < 0.45 ? QStringLiteral("marron") : clair ? QStringLiteral("beige") : QStringLiteral("orange");
    if (teinte < 70)
        return clarte < 0.35 ? QStringLiteral("kaki") : QStringLiteral("jaune");
    if (teinte < 160)
        return fonce ? QStringLiteral("vert foncé") : clair ? QStringLiteral("vert clair") : QStringLiteral("vert");
    if (teinte < 195)
        return clarte < 0.4 ? QStringLiteral("bleu canard") : QStringLiteral("turquoise");
    if (teinte < 250)
        return fonce ? QStringLiteral("bleu marine") : clair ? QStringLiteral("bleu clair") : QStringLiteral("bleu");
    if (teinte < 290)
        return clair ? QStringLiteral("mauve") : QStringLiteral("violet");
    return clarte < 0.35 ? QStringLiteral("prune") : QStringLiteral("rose");
}

} // namespace

QString nomCouleur(const QColor& couleur)
{
    if (!couleur.isValid())
        return {};
    const QColor hsl = couleur.toHsl();
    const double clarte = hsl.lightnessF();
    // Saturation as the eye takes it: a very dark or very light colour looks grey whatever its hue.
    const double chroma = (couleur.toRgb().valueF() - std::min({couleur.redF(), couleur.greenF(), couleur.blueF()}));
    if (chroma < 0.12 || hsl.hslSaturationF() < 0.12) {
        if (clarte < 0.15)
            return QStringLiteral("noir");
        if (clarte < 0.4)
            return QStringLiteral("gris foncé");
        if (clarte < 0.65)
            return QStringLiteral("gris");
        if (clarte < 0.9)
            return QStringLiteral("gris clair");
        return QStringLiteral("blanc");
    }
    return nomTeinte(hsl.hslHue(), clarte);
}

} // namespace kv
