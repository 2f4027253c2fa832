#include "app/CPanexApp.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <cstdio>

#include "app/ExternalEditor.h"
#include "platform/desktop/DesktopNamespace.h"
#include "platform/namespace/IconTheme.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"
#include "shell/ShellContext.h"

namespace {

const QString kLeftPaneActiveKey = QStringLiteral("bLeftPaneActive");
const QString kDirListingName = QStringLiteral("CvDirListing");
const QString kTempBatchName = QStringLiteral("CvTmpBatch.sh");
const QString kExternalEditorFailed = QStringLiteral(
    "There was an error launching the external editor\n%1\nUse the internal applet instead?");
const char* const kNoFrameMessage =
    "corvane: this build has no main window to show (no frame factory is installed); "
    "nothing was started.\n";
const char* const kFrameFailedMessage = "corvane: the main window could not be created.\n";

// Sweeping closed editors is cheap; a short interval keeps closed windows'
// objects from piling up without waking the process more than a few times a
// second while editors are open.
constexpr int kIdleIntervalMs = 250;

CPanexApp* g_instance = nullptr;

void RemoveTemporaryFile(const QString& path) {
    // A file that is gone or cannot be removed is not worth a message at
    // exit; unlink(2) never follows a link planted at the path.
    if (!path.isEmpty())
        ::unlink(NameToBytes(path).constData());
}

}  // namespace

CPanexApp::CPanexApp(int& argc, char** argv, const QString& storeFilePath)
    : m_storeFileOverride(storeFilePath) {
    if (QCoreApplication::instance() == nullptr)
        m_ownedApplication = std::make_unique<QApplication>(argc, argv);
    // Qt has taken its own options out of argv by now.
    m_arguments = ArgumentsFromArgv(argc, argv);
    m_idleTimer = std::make_unique<QTimer>();
    m_idleTimer->setInterval(kIdleIntervalMs);
    QObject::connect(m_idleTimer.get(), &QTimer::timeout, [this] { OnIdle(); });
    g_instance = this;
}

CPanexApp::~CPanexApp() {
    // The frame and the editors are widgets: they go before the QApplication.
    m_editors.clear();
    m_frame.reset();
    m_idleTimer.reset();
    if (g_instance == this)
        g_instance = nullptr;
}

CPanexApp* CPanexApp::Instance() {
    return g_instance;
}

int CPanexApp::Run() {
    if (!InitInstance()) {
        ExitInstance();
        return 1;
    }
    const int status = QApplication::exec();
    ExitInstance();
    return status;
}

bool CPanexApp::InitInstance() {
    // Nothing to initialise for OLE or dialog styles here: Qt needs neither.
    isNT = true;
    // The namespace comes first: everything after it binds folders.
    InstallDesktopNamespace();
    EnsureIconTheme();
    // Qt would name untitled boxes after the executable, "corvane".
    SetProgramTitle(kApplicationName);
    SetRegistryKey(kCompanyName);
    ReadCommandLine();
    OpenStore();
    // There is no recent-file list to load.
    LoadGeneralSettings();
    EnsureShellContext();

    if (!CreateFrame())
        return false;
    m_started = true;

    m_frame->ApplyPlacement(GetStoredPlacement(kMainFrameSection));
    m_frame->SetActivePane(Store().GetProfileInt(kMainFrameSection, kLeftPaneActiveKey, 1) != 0);
    m_frame->SyncTreeAtStart(General().keepTreeInSync);

    // The session's end saves what closing the window would.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(gui, &QGuiApplication::commitDataRequest, m_idleTimer.get(),
                         [this](QSessionManager& manager) {
                             // File operations still running are asked about
                             // first, when the session lets us ask; No keeps
                             // the session from ending.
                             if (m_frame && m_frame->OperationsRunning() > 0) {
                                 const bool mayAsk = manager.allowsInteraction();
                                 const bool end = m_frame->ConfirmOperationsEnd(mayAsk);
                                 if (mayAsk)
                                     manager.release();
                                 if (!end) {
                                     manager.cancel();
                                     return;
                                 }
                             }
                             OnCommitDataRequest();
                         });
    }
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     m_idleTimer.get(), [this] { OnAboutToQuit(); });

    m_frame->Show();
    return true;
}

void CPanexApp::SetRegistryKey(const QString& company) {
    m_company = company;
}

void CPanexApp::ReadCommandLine() {
    m_commandLine = ParseCommandLine(m_arguments);
}

void CPanexApp::OpenStore() {
    QString path = m_storeFileOverride;
    if (path.isEmpty() && qEnvironmentVariableIsSet(kProfileFileVariable))
        path = NameFromBytes(qgetenv(kProfileFileVariable));
    if (path.isEmpty())
        path = ProfileStore::DefaultFilePath(m_company, ProfileName());
    m_store = std::make_unique<ProfileStore>(path);
}

bool CPanexApp::CreateFrame() {
    const FrameFactory& factory = GetFrameFactory();
    if (!factory) {
        std::fputs(kNoFrameMessage, stderr);
        return false;
    }
    m_frame = factory(*this);
    if (!m_frame || !m_frame->Create()) {
        std::fputs(kFrameFailedMessage, stderr);
        m_frame.reset();
        return false;
    }
    return true;
}

int CPanexApp::ExitInstance() {
    if (m_exited)
        return 0;
    m_exited = true;
    m_idleTimer->stop();
    // Whatever the frame and the editors write as they go must land before
    // the store is flushed.
    m_editors.clear();
    m_frame.reset();
    DeleteTemporaryFiles();
    // A start-up that never showed the window changed nothing worth saving,
    // and must not rewrite a store it may not have understood.
    if (m_started && m_store) {
        SaveGeneralSettings();
        if (!m_store->Flush())
            std::fprintf(stderr, "corvane: the settings could not be written to %s\n",
                         NameToBytes(m_store->FilePath()).constData());
    }
    return 0;
}

void CPanexApp::DeleteTemporaryFiles() {
    RemoveTemporaryFile(m_tempBatchPath);
    RemoveTemporaryFile(m_dirListingPath);
}

void CPanexApp::OnIdle() {
    std::erase_if(m_editors, [](const std::unique_ptr<RunningEditor>& editor) {
        return !editor->IsRunning();
    });
    if (m_editors.empty())
        m_idleTimer->stop();
}

ProfileStore& CPanexApp::Store() {
    Q_ASSERT(m_store);
    return *m_store;
}

void CPanexApp::LoadGeneralSettings() {
    MutableGeneral().Load(Store());
}

void CPanexApp::SaveGeneralSettings() {
    const GeneralSettings& general = General();
    general.SaveSaveSettingsKey(Store());
    if (!general.saveSettings)
        return;
    general.SaveKeys(Store());
    m_savers.RunAll(Store());
}

WindowRect CPanexApp::ReadWindowRect(const QString& section) const {
    return ::ReadWindowRect(*m_store, section);
}

void CPanexApp::WriteWindowRect(const QString& section, const WindowRect& rect) {
    ::WriteWindowRect(Store(), section, rect);
}

WindowPlacement CPanexApp::GetStoredPlacement(const QString& section) const {
    return ::GetStoredPlacement(*m_store, section, m_frame ? m_frame->MainWindow() : nullptr);
}

CharFormat CPanexApp::ReadFontRecord(const QString& section) const {
    return ::ReadFontRecord(*m_store, section);
}

void CPanexApp::WriteFontRecord(const QString& section, const CharFormat& format) {
    ::WriteFontRecord(Store(), section, format);
}

void CPanexApp::AskEditorsToClose() {
    for (const std::unique_ptr<RunningEditor>& editor : m_editors)
        if (editor->IsRunning())
            editor->RequestClose();
}

void CPanexApp::SaveOnClose() {
    AskEditorsToClose();
    if (!General().saveSettings || !m_store)
        return;
    if (m_frame)
        m_frame->SaveFrameSettings(*m_store);
    m_frameSavers.RunAll(*m_store);
}

void CPanexApp::OnCloseMainWindow() {
    SaveOnClose();
    // The run ends when the last window has closed (Qt's quit on last window
    // closed): an editor that kept its window open because the user chose to
    // keep unsaved changes keeps the program running until it closes.
    m_closeSaved = true;
}

void CPanexApp::OnCommitDataRequest() {
    // The session may end the process without another chance: everything
    // closing and exiting would write is written and flushed now.
    SaveOnClose();
    if (m_store) {
        SaveGeneralSettings();
        m_store->Flush();
    }
}

void CPanexApp::OnAboutToQuit() {
    if (m_closeSaved)
        return;
    SaveOnClose();
    m_closeSaved = true;
}

bool CPanexApp::OpenInEditor(const QString& path, bool viewOnly) {
    GeneralSettings& general = MutableGeneral();
    if (WantsExternalEditor(general.useExternalEditor, viewOnly, IsCtrlDown())) {
        if (StartCommandLine(ExternalEditorCommandLine(general.externalEditorName, path)))
            return true;
        if (!AskYesNo(kExternalEditorFailed.arg(general.externalEditorName)))
            return false;
        general.useExternalEditor = false;
    }

    std::unique_ptr<RunningEditor> editor =
        m_editorLauncher ? m_editorLauncher(path, viewOnly) : nullptr;
    if (!editor) {
        Beep(BeepKind::Exclamation);
        return false;
    }
    m_editors.push_back(std::move(editor));
    m_idleTimer->start();
    return true;
}

EditorLauncher CPanexApp::SetEditorLauncher(EditorLauncher launcher) {
    return std::exchange(m_editorLauncher, std::move(launcher));
}

QString CPanexApp::GetDirListingPath() {
    if (m_dirListingPath.isEmpty())
        m_dirListingPath = QDir::tempPath() + u'/' + kDirListingName;
    return m_dirListingPath;
}

QString CPanexApp::GetTempBatchPath() {
    if (m_tempBatchPath.isEmpty())
        m_tempBatchPath = QDir::tempPath() + u'/' + kTempBatchName;
    return m_tempBatchPath;
}
