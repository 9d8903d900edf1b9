#include "update/web_page_loader.h"

#include "common/program_files.h"
#include "update/system_page_browser.h"
#include "update/web_engine_environment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>
#include <stdexcept>

// Qt's own setter of the context that every OpenGL context shares with; the
// web engine needs one. Qt makes it at start-up only when asked before the
// application object exists, which would load the OpenGL driver in every run.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace vornel {

namespace {

constexpr const char* ModuleName = "libvornel_webpage.so";

using CreateBrowser = PageBrowser* (*)(QWidget*);

// Made once, before the web engine first starts, and kept for the life of
// the process, as the one Qt makes at start-up would be. Where no OpenGL is
// available (offscreen) the context stays invalid; the engine then draws
// without it.
void shareOpenGlContext() {
    if (qt_gl_global_share_context()) return;
    auto* context = new QOpenGLContext;
    context->create();
    qt_gl_set_global_share_context(context);
}

} // namespace

QString webPageModulePath() {
    const QString programDir = QCoreApplication::applicationDirPath() + u'/';
    QStringList dirs{programDir, programDir + QStringLiteral(VORNEL_INSTALLED_MODULE_DIR "/")};
    const QString built = qEnvironmentVariable("VORNEL_BUILT_FILES");
    if (!built.isEmpty()) dirs << built + u'/';
    // Code that runs as this program: never from a folder others may write.
    for (const QString& dir : dirs)
        if (QFileInfo::exists(dir + ModuleName) && trustedFile(dir + ModuleName))
            return dir + ModuleName;
    return programDir + ModuleName;
}

std::unique_ptr<PageBrowser> loadWebPageBrowser(QWidget* area, const QString& modulePath) {
    // The engine looks for the shared context as soon as its library loads.
    prepareWebEngineEnvironment();
    shareOpenGlContext();
    QLibrary module(modulePath);
    auto create = reinterpret_cast<CreateBrowser>(module.resolve("vornel_create_page_browser"));
    if (!create)
        throw std::runtime_error(
            QCoreApplication::translate("PageBrowser",
                                        "Le navigateur intégré ne peut pas être chargé : %1")
                .arg(module.errorString())
                .toStdString());
    return std::unique_ptr<PageBrowser>(create(area));
}

std::unique_ptr<PageBrowser> makeSystemPageBrowser(QWidget* area) {
    return loadWebPageBrowser(area);
}

} // namespace vornel
