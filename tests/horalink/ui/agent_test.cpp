// The animated assistant in the test's own process, against the stand-in character
// server: what each event asks of the character, the short animations, the dragged
// place kept over a restart, the double-click, sequences that never overlap, a server
// that never completes, and the program without a usable server or as a service.
#include "app.h"

#include "agentstandin.h"
#include "appmessages.h"
#include "boxwatch.h"
#include "englishlibrary.h"
#include "horalinkres.h"
#include "msagent.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "osys.h"
#include "scratchkey.h"
#include "testfiles.h"
#include "winhelp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using testing::HasSubstr;

class Agent : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(key.SetValue("TipOfDayStyle", "0"));
        APP::SetRegistryName(key.Name().c_str());
        SetEnvironmentVariableA("HORALINK_TEST_AGENTRECORD", Record().c_str());
        SetEnvironmentVariableA("HORALINK_TEST_AGENTDELAY", "50");
        Config("");
    }
    void TearDown() override
    {
        app.reset();
        for (const char* name : {"HORALINK_TEST_AGENTRECORD", "HORALINK_TEST_AGENTDELAY",
                                 "HORALINK_TEST_AGENTNEVERCOMPLETE", "HORALINK_TEST_AGENTFAIL"})
            SetEnvironmentVariableA(name, nullptr);
        DropQuit();
        KELVOAPP::Reset();
        APP::SetRegistryName("");
    }
    // The update thread's quit message of an earlier window would end every box at once.
    static void DropQuit()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void Config(const std::string& more)
    {
        ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"),
                                   more + "ConnectionType=0\r\nVersion=1.00\r\nTimeCyclic=0\r\nNotifyDoSound=0\r\n"
                                          "AgentSupportActive=1\r\nAgentTextCorrect=Right\r\n"
                                          "AgentTextNotCorrect=Off\r\nAgentTextAdjusted=Set\r\n"));
    }
    void Start(const std::string& arguments = "")
    {
        std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" \"/WORKDIR:" + dir.Path() + "\" " + arguments;
        KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
        LoadEnglishLibrary();
        DropQuit();
        app.reset(new APP(false, help));
        ASSERT_TRUE(app->Exists());
    }
    // Started, and the greeting handed to the character.
    void StartGreeted()
    {
        Start();
        ASSERT_TRUE(Pump([&] { return Recorded().find("Speak ") != std::string::npos; }));
    }
    std::string Record() { return dir.File("agent.rec"); }
    std::string Recorded() { return ReadFileBytes(Record()); }
    std::string Setting(const char* name) { return app->GetEngine().GetSetting(name).Text(); }
    bool Pump(const std::function<bool()>& done, DWORD timeoutms = 20000)
    {
        for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            if (done()) return true;
            if (GetTickCount() - start > timeoutms) return false;
        }
    }
    // The events handed over one after the other by a thread of their own, as the
    // update thread does, while this (the window's) thread goes on.
    void Fire(std::vector<const char*> names)
    {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            for (const char* name : names) app->AgentEvent(name, 1);
            done = true;
        });
        EXPECT_TRUE(Pump([&] { return done.load(); }, 120000));
        thread.join();
    }
    // What was asked of the character, without request ids and notifications.
    std::string Calls()
    {
        std::istringstream lines(Recorded());
        std::string calls;
        for (std::string line; std::getline(lines, line);)
            if (!std::regex_search(line, std::regex("^(Request|GetPosition|Drag|DblClick)")))
                calls += std::regex_replace(line, std::regex(" #[0-9]+$"), "") + ";";
        return calls;
    }
    // The id of the request recorded with the line that begins with call ("" if none).
    std::string RequestId(const std::string& call)
    {
        std::smatch m;
        std::string text = Recorded();
        return std::regex_search(text, m, std::regex(call + " #([0-9]+)")) ? m[1].str() : "";
    }
    bool Has(const std::string& line) { return ("\n" + Recorded()).find("\n" + line + "\n") != std::string::npos; }
    HWND StandInWindow() { return FindWindowA("HoralinkAgentStandIn", nullptr); }

    AGENTSTANDIN standin;
    SCRATCHKEY key;
    TEMPDIR dir;
    HELPFILE help;
    std::unique_ptr<APP> app;
};

TEST_F(Agent, EachEventAsksForItsAnimationsAndTexts)
{
    ASSERT_TRUE(standin.Registered());
    StartGreeted();
    std::string welcome = OSYS::GetStringFromResource(IDS_AGENTWELCOME).Text();
    EXPECT_EQ(Calls(), "Register 1;Load;GetCharacterEx 1;SetLanguageID 1033;MoveTo 100|100|500;"
                       "MoveTo 100|100|500;Show 0;Play Pleased;Speak " + welcome + ";");
    struct {
        const char *mute, *shortanim, *event;
        std::string calls;
    } cases[] = {
        // A looping animation runs until the next event ("Exit" here) cuts it.
        {"0", "0", "OnCheck", "Show 0;Play Search;Stop;"},
        {"0", "0", "OnGoodMatch", "Show 0;Play Announce;Speak Right;Hide 0;"},
        {"1", "1", "ongoodmatch", "Show 0;Play Pleased;Think Right;Hide 0;"},
        {"0", "0", "OnNeedClockAdjust", "Show 0;Play Confused;Speak Off;"},
        {"1", "0", "OnClockAdjusted", "Show 0;Play Process;Play Announce;Think Set;Hide 0;Stop;"},
        {"0", "0", "Welcome", "MoveTo 100|100|500;Show 0;Play Pleased;Speak " + welcome + ";"},
        {"0", "0", "exit", ""},
        {"0", "0", "OnBogus", ""},
    };
    int asserts = AssertCount();
    for (const auto& c : cases) {
        app->GetEngine().PutSetting("AgentMuteText", c.mute);
        app->GetEngine().PutSetting("AgentShortAnim", c.shortanim);
        WriteFileBytes(Record(), "");
        LOGCAPTURE log;
        Fire({c.event, "Exit"});
        EXPECT_EQ(Calls(), c.calls) << c.event;
        EXPECT_EQ(log.Text().find("gives up"), std::string::npos) << c.event;
    }
    EXPECT_EQ(AssertCount(), asserts + 1);
    EXPECT_STREQ(AssertLastInfo(), "OnBogus");
}

TEST_F(Agent, ShortAnimationsCutTheSearchAfterFourSecondsElseTheNextEventDoes)
{
    for (const char* shortanim : {"1", "0"}) {
        Config(std::string("AgentShortAnim=") + shortanim + "\r\n");
        StartGreeted();
        Fire({"OnCheck"});
        std::string search = RequestId("Play Search");
        ASSERT_NE(search, "");
        ASSERT_TRUE(Pump([&] { return Has("RequestStart " + search); }));
        if (*shortanim == '1') {
            EXPECT_TRUE(Pump([&] { return Has("Stop #" + search); }));
        } else {
            Pump([] { return false; }, 300);  // the start's notice reaches the window
            EXPECT_FALSE(KillTimer(app->GetHwnd(), TIMER_AGENT));
            Fire({"OnGoodMatch"});
            EXPECT_THAT(Calls(), HasSubstr("Play Search;Stop;Show 0;Play Announce;"));
        }
        app.reset();
    }
}

TEST_F(Agent, TheDraggedPlaceIsKeptOverARestartAndADoubleClickAdjusts)
{
    StartGreeted();
    ASSERT_NE(StandInWindow(), nullptr);
    PostMessageA(StandInWindow(), WM_APP + 1, 321, 234);
    EXPECT_TRUE(Pump([&] { return Setting("AgentPosX") == "321" && Setting("AgentPosY") == "234"; }));
    app->DoCommand(IDM_SUSPEND);  // the update thread leaves the adjustment pending
    PostMessageA(StandInWindow(), WM_APP + 2, 0, 0);
    EXPECT_TRUE(Pump([&] { return app->GetEngine().IsAdjustPending(); }));
    app.reset();
    EXPECT_THAT(ReadFileBytes(dir.File("horalink.cfg")), HasSubstr("AgentPosX=321"));
    WriteFileBytes(Record(), "");
    StartGreeted();
    EXPECT_THAT(Calls(), HasSubstr("MoveTo 321|234|500;Show 0;"));
}

// The record in order: no request of one sequence before the last request of the one
// before it has completed.
TEST_F(Agent, SequencesNeverOverlap)
{
    StartGreeted();
    ASSERT_TRUE(Pump([&] { return Has("RequestComplete " + RequestId("Speak [^#]*")); }));
    WriteFileBytes(Record(), "");
    Fire({"OnCheck", "OnGoodMatch", "OnNeedClockAdjust", "OnClockAdjusted", "OnGoodMatch", "exit"});
    std::istringstream lines(Recorded());
    std::vector<std::string> last;  // per sequence: the id of its last request
    std::string overlaps;
    int sequences = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_search(line, m, std::regex("^RequestComplete ([0-9]+)"))) {
            if (!last.empty() && m[1] == last.back()) last.back() = "done";
        } else if (std::regex_search(line, m, std::regex("^(Show|Play|Speak|Think|Hide|MoveTo) .*#([0-9]+)$"))) {
            if (line.compare(0, 4, "Show") == 0) {
                if (!last.empty() && last.back() != "done") overlaps += line + " before " + last.back() + ";";
                last.push_back("");
                sequences++;
            }
            if (!last.empty()) last.back() = m[2];
        }
    }
    EXPECT_EQ(sequences, 5);
    EXPECT_EQ(overlaps, "");
}

TEST_F(Agent, AServerThatNeverCompletesHoldsTheUpdateThreadOnlyForTheBound)
{
    SetEnvironmentVariableA("HORALINK_TEST_AGENTNEVERCOMPLETE", "1");
    Start();
    LOGCAPTURE log;
    Fire({"OnCheck", "OnGoodMatch"});
    EXPECT_THAT(log.Text(), HasSubstr("APP::AgentEvent gives up waiting"));
    EXPECT_TRUE(Pump([&] { return Calls().find("Play Announce;") != std::string::npos; }));
}

// A refused request is logged and the sequence goes on; the next event does not wait.
TEST_F(Agent, ARefusedRequestLeavesTheSequenceGoing)
{
    SetEnvironmentVariableA("HORALINK_TEST_AGENTFAIL", "Hide");
    StartGreeted();
    WriteFileBytes(Record(), "");
    LOGCAPTURE log;
    Fire({"OnGoodMatch", "OnGoodMatch", "Exit"});
    EXPECT_EQ(Calls(), "Show 0;Play Announce;Speak Right;Hide 0 FAILED;Show 0;Play Announce;Speak Right;Hide 0 FAILED;");
    EXPECT_EQ(log.Text().find("gives up"), std::string::npos);
    EXPECT_TRUE(app->AgentRunning());
}

// No server, or one that fails: the setting is switched off and one error box says
// so; the settings switch the assistant on and off; a service never has one.
TEST_F(Agent, WithoutAUsableServerTheAssistantIsSwitchedOffWithOneBox)
{
    struct {
        const char *fail, *calls;
    } cases[] = {{"Load", "Register 1;Load FAILED;Unregister 1;"},
                 {"GetCharacterEx", "Register 1;Load;GetCharacterEx 1 FAILED;Unload 1;Unregister 1;"},
                 {"", ""}};  // nothing registered
    for (const auto& c : cases) {
        if (!*c.fail) standin.Unregister();
        SetEnvironmentVariableA("HORALINK_TEST_AGENTFAIL", c.fail);
        Config("");
        WriteFileBytes(Record(), "");
        BOXWATCH boxes;
        Start();
        EXPECT_EQ(Setting("AgentSupportActive"), "0") << c.fail;
        EXPECT_FALSE(app->AgentRunning());
        const std::vector<DIALOGSEEN>& seen = boxes.Stop();
        ASSERT_EQ(seen.size(), 1u) << c.fail;
        EXPECT_EQ(seen[0].title + "|" + seen[0].text,
                  std::string("Horalink|") + OSYS::GetStringFromResource(IDS_AGENTNOSERVER).Text());
        app.reset();
        EXPECT_EQ(Calls(), c.calls);
    }
}

TEST_F(Agent, TheSettingsSwitchItAndAServiceNeverHasOne)
{
    Config("AgentSupportActive=0\r\n");
    Start();
    KELVOAPP::SetLanguageCode(7);  // German texts: the character's German language
    app->GetEngine().PutSetting("AgentSupportActive", "1");
    app->ApplyWindows();
    EXPECT_TRUE(app->AgentRunning());
    app->GetEngine().PutSetting("AgentSupportActive", "0");
    app->ApplyWindows();
    EXPECT_FALSE(app->AgentRunning());
    EXPECT_THAT(Calls(), HasSubstr("Load;GetCharacterEx 1;SetLanguageID 1031;"));
    EXPECT_THAT(Calls(), HasSubstr("Unload 1;Unregister 1;"));
    app.reset();

    Config("");
    WriteFileBytes(Record(), "");
    BOXWATCH boxes;
    Start("/SERVICE");
    EXPECT_FALSE(app->AgentRunning());
    EXPECT_EQ(Setting("AgentSupportActive"), "1");
    EXPECT_EQ(Recorded(), "");
    EXPECT_EQ(boxes.Stop().size(), 0u);
}

// The sink's COM answers: its interfaces, one type information, and only index 0 in
// locale 0 or English (the server's type library is not registered here).
TEST(MsAgentSink, AnswersForItsInterfacesAndTypeInformation)
{
    MSAGENT sink;
    void* object = nullptr;
    EXPECT_EQ(sink.QueryInterface(IID_IAgentNotifySinkEx, &object), S_OK);
    EXPECT_EQ(object, static_cast<IAgentNotifySinkEx*>(&sink));
    EXPECT_EQ(sink.QueryInterface(IID_IAgentEx, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    UINT count = 0;
    EXPECT_EQ(sink.GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    struct {
        UINT index;
        LCID locale;
        HRESULT result;
    } cases[] = {{1, 0, DISP_E_BADINDEX},       {0, 0x0407, DISP_E_UNKNOWNLCID},
                 {0, 0, TYPE_E_LIBNOTREGISTERED}, {0, 0x0809, TYPE_E_LIBNOTREGISTERED}};
    for (const auto& c : cases) {
        ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
        EXPECT_EQ(sink.GetTypeInfo(c.index, c.locale, &info), c.result) << c.index << " " << c.locale;
        EXPECT_EQ(info, nullptr);
    }
}
