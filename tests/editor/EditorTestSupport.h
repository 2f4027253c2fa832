#pragma once
// The editor tests' fixture: a temporary folder for files, a scripted
// prompter, a store on a temporary file given to the editor as its host's,
// fresh run-wide editor settings for every test, and the notices a view
// shows, recorded.

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <memory>

#include "editor/CEditorView.h"
#include "editor/EditorHost.h"
#include "editor/EditorSettings.h"
#include "platform/store/ProfileStore.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

struct RecordedNotice {
    QString text;
    bool alert = false;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_store = std::make_unique<ProfileStore>(m_dir.Path() + QStringLiteral("/store.ini"));
        auto prompter = std::make_unique<ScriptedPrompter>();
        prompter_ = prompter.get();
        m_previousPrompter = InstallPrompter(std::move(prompter));
        EditorHost host;
        host.store = [this] { return m_store.get(); };
        host.registerSaver = [this](std::function<void(ProfileStore&)> saver) {
            saver_ = std::move(saver);
        };
        SetEditorHost(std::move(host));
        ResetEditorSettingsForTest();
    }

    void TearDown() override {
        ResetEditorSettingsForTest();
        SetEditorHost({});
        InstallPrompter(std::move(m_previousPrompter));
    }

    /// A file in the temporary folder, its path.
    QString File(const QByteArray& name, const QByteArray& contents) {
        EXPECT_TRUE(m_dir.MakeFile(name, contents));
        return QString::fromUtf8(m_dir.Join(name));
    }

    /// A view of `path` in the given mode that records its notices.
    std::unique_ptr<CEditorView> Open(const QString& path, bool viewOnly) {
        auto view = std::make_unique<CEditorView>(viewOnly);
        view->SetNoticeSink([this](const QString& text, bool alert) {
            notices.append({text, alert});
        });
        view->resize(600, 400);
        EXPECT_TRUE(view->Load(path));
        return view;
    }

    /// A view in edit mode holding `text`.
    std::unique_ptr<CEditorView> EditText(const QByteArray& text) {
        return Open(File("text.txt", text), false);
    }

    ProfileStore& Store() { return *m_store; }

    TestDir m_dir;
    ScriptedPrompter* prompter_ = nullptr;
    QList<RecordedNotice> notices;
    std::function<void(ProfileStore&)> saver_;

private:
    std::unique_ptr<ProfileStore> m_store;
    std::unique_ptr<Prompter> m_previousPrompter;
};
