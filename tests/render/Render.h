#pragma once
#include <QString>
#include <functional>

class QWidget;

// The window pictures: each file of this folder registers the windows it
// draws, and render_windows writes them all as PNG files into one folder.
using RenderFunction = std::function<void(const QString &outDir)>;

struct RenderRegistration {
    RenderRegistration(const char *name, RenderFunction function);
};

// Lets pending events settle, grabs the top-level window with its frame
// contents and saves it as <outDir>/<name>.png.
void savePicture(QWidget *window, const QString &outDir, const QString &name);
