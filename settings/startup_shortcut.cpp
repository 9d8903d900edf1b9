#include "settings/startup_shortcut.h"

#include <QDir>
#include <QFile>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace vornel {

namespace {

// The shell's objects need the component library on this thread; the
// program's Qt makes it ready there already, and then this adds a count.
class ComOnThisThread {
public:
    ComOnThisThread() : ready_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComOnThisThread() {
        if (ready_) CoUninitialize();
    }

private:
    bool ready_;
};

template <typename T> struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

std::wstring wide(const QString& text) {
    return QDir::toNativeSeparators(text).toStdWString();
}

} // namespace

StartupShortcut::StartupShortcut(QString folder) : folder_(std::move(folder)) {}

QString StartupShortcut::startupFolder() {
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_CREATE, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

QString StartupShortcut::shortcutPath() const {
    const QString folder = folder_.isEmpty() ? startupFolder() : folder_;
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Vornel.lnk");
}

bool StartupShortcut::write(const QString& executable, QString* error) {
    const QString path = shortcutPath();
    // The system's own text for the step that failed.
    auto failed = [error](HRESULT result) {
        if (error) *error = qt_error_string(int(result));
        return false;
    };
    if (path.isEmpty()) return failed(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    ComOnThisThread com;
    Released<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&link.p));
    if (FAILED(result)) return failed(result);
    link.p->SetDescription(L"");
    link.p->SetPath(wide(executable).c_str());
    link.p->SetArguments(L"");
    link.p->SetShowCmd(SW_SHOW);
    Released<IPersistFile> file;
    result = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
    if (FAILED(result)) return failed(result);
    result = file.p->Save(wide(path).c_str(), TRUE);
    return SUCCEEDED(result) || failed(result);
}

void StartupShortcut::remove() {
    const QString path = shortcutPath();
    if (!path.isEmpty()) QFile::remove(path);
}

bool readShortcut(const QString& path, ShortcutContent& content) {
    ComOnThisThread com;
    Released<IShellLinkW> link;
    Released<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))) ||
        FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
        FAILED(file.p->Load(wide(path).c_str(), STGM_READ)))
        return false;
    wchar_t text[MAX_PATH * 4] = {};
    link.p->GetPath(text, MAX_PATH * 4, nullptr, SLGP_RAWPATH);
    content.target = QDir::fromNativeSeparators(QString::fromWCharArray(text));
    text[0] = 0;
    link.p->GetArguments(text, MAX_PATH * 4);
    content.arguments = QString::fromWCharArray(text);
    text[0] = 0;
    link.p->GetDescription(text, MAX_PATH * 4);
    content.description = QString::fromWCharArray(text);
    link.p->GetShowCmd(&content.showCommand);
    return true;
}

std::unique_ptr<StartAtLogon> makeStartAtLogon() {
    return std::make_unique<StartupShortcut>();
}

} // namespace vornel
