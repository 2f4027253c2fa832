#include "app/InternalEditor.h"

#include <QPointer>

#include "app/AppFrame.h"
#include "app/CPanexApp.h"
#include "app/MainMenu.h"
#include "app/RunningEditor.h"
#include "app/WindowRect.h"
#include "editor/CEditorFrame.h"
#include "editor/EditorHost.h"

namespace {

class InternalEditorWindow : public RunningEditor {
public:
    explicit InternalEditorWindow(CEditorFrame* frame) : m_frame(frame) {}
    bool IsRunning() const override { return !m_frame.isNull(); }
    void RequestClose() override {
        if (m_frame)
            m_frame->close();
    }

private:
    QPointer<CEditorFrame> m_frame;
};

}  // namespace

void InstallInternalEditor(CPanexApp& app) {
    EditorHost host;
    host.store = [&app]() -> ProfileStore* { return app.HasStore() ? &app.Store() : nullptr; };
    host.registerSaver = [&app](std::function<void(ProfileStore&)> saver) {
        app.RegisterSaver(SaverSlot::Editor, std::move(saver));
    };
    host.mainWindowRect = [&app]() -> QRect {
        QWidget* main = app.Frame() ? app.Frame()->MainWindow() : nullptr;
        if (!main || !main->isVisible())
            return {};
        return main->isMaximized() || main->isFullScreen() ? main->normalGeometry()
                                                           : main->geometry();
    };
    host.readRect = [&app](const QString& section) -> std::optional<EditorHost::FourInts> {
        if (!app.HasStore())
            return std::nullopt;
        const WindowRect rect = ReadWindowRect(app.Store(), section);
        if (rect == WindowRect::Default())
            return std::nullopt;
        return EditorHost::FourInts{rect.left, rect.top, rect.right, rect.bottom};
    };
    host.writeRect = [&app](const QString& section, const EditorHost::FourInts& r) {
        if (app.HasStore())
            WriteWindowRect(app.Store(), section, WindowRect{r[0], r[1], r[2], r[3]});
    };
    host.helpFilePath = [](int id) { return HelpFilePath(id); };
    host.openInEditor = [&app](const QString& path, bool viewOnly) {
        app.OpenInEditor(path, viewOnly);
    };
    SetEditorHost(std::move(host));

    app.SetEditorLauncher([](const QString& path, bool viewOnly) -> std::unique_ptr<RunningEditor> {
        CEditorFrame* frame = OpenEditorWindow(path, viewOnly);
        if (!frame)
            return nullptr;
        return std::make_unique<InternalEditorWindow>(frame);
    });
}
