// FolderModel's refresh with the read on its worker, for folders whose
// server may stop answering: GVfs's FUSE bridge then leaves a directory
// read waiting without end, which on the main thread would freeze the
// window. The worker's read is abandoned with the model instead.
#include "pane/FolderModel.h"
#include "pane/FolderRawRead.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/RemoteUri.h"

bool RefreshesOffThread(const FolderModel& model) {
    if (ReadsEntrySource(model))
        return true;
    if (!model.IsFileSystem())
        return false;
    static const QByteArray bridge = GvfsFolder() + '/';
    return NameToBytes(model.path).startsWith(bridge);
}

bool FolderModel::StartRefreshRead(std::uint64_t& totals, std::function<void(bool ok)> done) {
    if (!CanReadStreamed())
        return false;
    // As in Refresh(): what the watch counted from now on may have happened
    // after the read began.
    const int changesBefore = watch ? watch->TakeChanges().changeCount : -1;
    const std::shared_ptr<RawRead> raw = MakeRawRead();
    m_reading = true;
    m_firstBatchIn = false;
    m_onBatch = {};
    m_onDone = {};
    // The comparison runs when the whole folder is in; `totals` belongs to
    // the pane, which outlives its model, and a cancelled read posts
    // nothing that runs.
    m_reader.Start([this, raw, &totals, changesBefore, done](const JobControl& control) {
        auto fresh = std::make_shared<ItemList>();
        raw->Run(control.StopFlag().get(), [&](ItemList& batch, std::optional<int> result) {
            fresh->splice(fresh->end(), batch);
            if (!result)
                return;
            control.Post([this, raw, fresh, result = *result, &totals, changesBefore, done] {
                m_reading = false;
                m_onDone = {};
                if (result == kReadFailed) {
                    if (done)
                        done(false);
                    return;
                }
                for (FolderItem& item : *fresh) item.folder = this;
                MergeFreshItems(*fresh, totals);
                m_changesBeforeRead = changesBefore;
                if (done)
                    done(true);
            });
        });
    });
    return true;
}
