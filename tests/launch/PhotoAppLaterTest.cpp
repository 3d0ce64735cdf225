// The photo application's start without the wait, as a window that owns the answer sees
// it: nothing is started on the window's thread, and the answer decides as a start does.

#include <gtest/gtest.h>

#include <vector>

#include "fakes/AgentBench.h"
#include "launch/Launch.h"
#include "platform/MessageMap.h"
#include "res/SmallDialogIds.h"

namespace kardello::test {
namespace {

constexpr std::uint32_t kMsgStarted = wm::kApp + 20;

class Starter : public WindowBase {
public:
    Starter(Platform& platform, FailureBoxes* boxes)
        : photoApp(platform, boxes), executor_(platform.shellExecutor) {}
    PhotoApp photoApp;
    std::vector<bool> answers;

private:
    KARDELLO_BEGIN_MESSAGES(Starter)
        KARDELLO_RESULT(kMsgStarted, executor_, OnStarted)
    KARDELLO_END_MESSAGES(nullptr)

    void OnStarted(StartAnswer answer) { answers.push_back(photoApp.AnswerStart(answer)); }

    IExecutor& executor_;
};

TEST(PhotoAppLater, StartsOffTheThreadAndTheAnswerDecidesOnlyForAWindowStillUp) {
    AgentBench bench;
    bench.InstallPhotoApp();
    bench.shellExecutor.delivery = FakeExecutor::Delivery::Stepped;
    FailureBoxes boxes;
    Starter starter(bench.platform, &boxes);
    ASSERT_TRUE(bench.user.CreateHiddenToolWindow(starter, "starter"));

    // Not running: asked, but started only when the shell's work runs.
    EXPECT_EQ(starter.photoApp.OpenPhotoAppLater(starter.Handle(), kMsgStarted), PhotoApp::Status::NotRunning);
    EXPECT_EQ(bench.PhotoStarts(), 0);
    bench.shellExecutor.RunAll(bench.user);
    EXPECT_EQ(bench.PhotoStarts(), 1);
    EXPECT_EQ(bench.shell.executions.back().directory, "C:\\VARNO\\Fotimo");
    EXPECT_EQ(starter.answers, std::vector<bool>{true});

    // Running: nothing is asked of the shell.
    EXPECT_EQ(starter.photoApp.OpenPhotoAppLater(starter.Handle(), kMsgStarted), PhotoApp::Status::Running);
    EXPECT_EQ(bench.shellExecutor.Waiting(), 0u);

    // A start that fails: its box when the answer comes, silent while that box is up.
    bench.ClosePhotoApp();
    bench.shell.onExecute = nullptr;
    bench.shell.executeResult = 8;
    EXPECT_EQ(starter.photoApp.OpenPhotoAppLater(starter.Handle(), kMsgStarted), PhotoApp::Status::NotRunning);
    EXPECT_TRUE(bench.user.modals.empty());
    bench.shellExecutor.RunAll(bench.user);
    ASSERT_EQ(bench.user.modals.size(), 1u);
    EXPECT_EQ(bench.user.modals[0].templateId, IDD_LOW_MEMORY);
    {
        const OneAtATime::Hold up = boxes.lowMemory.Take();
        EXPECT_EQ(starter.photoApp.OpenPhotoAppLater(starter.Handle(), kMsgStarted), PhotoApp::Status::NotRunning);
        bench.shellExecutor.RunAll(bench.user);
        EXPECT_EQ(bench.user.modals.size(), 1u);
    }
    EXPECT_EQ(starter.answers, (std::vector<bool>{true, false, false}));

    // The window gone before the answer: the start was made, its answer dropped.
    EXPECT_EQ(starter.photoApp.OpenPhotoAppLater(starter.Handle(), kMsgStarted), PhotoApp::Status::NotRunning);
    bench.user.Destroy(starter);
    bench.shellExecutor.RunAll(bench.user);
    EXPECT_EQ(bench.PhotoStarts(), 4);
    EXPECT_EQ(bench.user.modals.size(), 1u);
    EXPECT_EQ(starter.answers.size(), 3u);
    EXPECT_EQ(bench.shellExecutor.Unclaimed(), 0u);
}

}  // namespace
}  // namespace kardello::test
