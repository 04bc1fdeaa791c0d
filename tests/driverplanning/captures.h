#pragma once

// Screens rendered to PNG for a person to look at: written only when KV_CAPTURES names a folder.

#include <QDir>
#include <QWidget>

namespace fx {

inline void capturer(QWidget* w, const QString& nom)
{
    const QString dossier = qEnvironmentVariable("KV_CAPTURES");
    if (dossier.isEmpty())
        return;
    QDir().mkpath(dossier);
    w->grab().save(QDir(dossier).filePath(nom + QStringLiteral(".png")));
}

} // namespace fx
