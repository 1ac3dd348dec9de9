// The stand-in character server the assistant's tests run against: registration, the
// request queue and its notifications, the record file, the drag and double-click
// messages and the never-complete switch.
#include "agentstandin.h"
#include "testfiles.h"

#include <windows.h>
#include <ole2.h>
#include <agtsvr.h>
#include <agtsvr_i.c>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char CLASSKEY[] = "Software\\Classes\\CLSID\\{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}\\InprocServer32";

// A sink that writes what it hears as text; on a drag it asks for the new position.
class SINK : public IAgentNotifySink {
public:
    std::string Heard;
    IAgentCharacterEx* Character = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** p) override
    {
        *p = riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAgentNotifySink ? this : nullptr;
        return *p ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP Command(LONG, IUnknown*) override { return S_OK; }
    STDMETHODIMP ActivateInputState(LONG, LONG) override { return S_OK; }
    STDMETHODIMP Restart() override { return S_OK; }
    STDMETHODIMP Shutdown() override { return S_OK; }
    STDMETHODIMP VisibleState(LONG, LONG, LONG) override { return S_OK; }
    STDMETHODIMP Click(LONG, short, LONG, LONG) override { return S_OK; }
    STDMETHODIMP DblClick(LONG, short, LONG, LONG) override { return note("dblclick"); }
    STDMETHODIMP DragStart(LONG, short, LONG, LONG) override { return S_OK; }
    STDMETHODIMP DragComplete(LONG, short, LONG, LONG) override
    {
        LONG x = 0, y = 0;
        Character->GetPosition(&x, &y);
        return note("drag " + std::to_string(x) + "|" + std::to_string(y));
    }
    STDMETHODIMP RequestStart(LONG id) override { return note("start " + std::to_string(id)); }
    STDMETHODIMP RequestComplete(LONG id, LONG) override { return note("complete " + std::to_string(id)); }
    STDMETHODIMP BookMark(LONG) override { return S_OK; }
    STDMETHODIMP Idle(LONG, LONG) override { return S_OK; }
    STDMETHODIMP Move(LONG, LONG, LONG, LONG) override { return S_OK; }
    STDMETHODIMP Size(LONG, LONG, LONG) override { return S_OK; }
    STDMETHODIMP BalloonVisibleState(LONG, LONG) override { return S_OK; }

private:
    HRESULT note(const std::string& what)
    {
        Heard += what + ";";
        return S_OK;
    }
};

// Dispatches this thread's messages until done holds; false after timeoutms.
bool pump_until(const std::function<bool()>& done, DWORD timeoutms = 10000)
{
    for (DWORD start = GetTickCount(); !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT)) {
        if (GetTickCount() - start > timeoutms) return false;
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
    }
    return true;
}

class AgentStandIn : public testing::Test {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("HORALINK_TEST_AGENTRECORD", dir.File("record.txt").c_str());
        SetEnvironmentVariableA("HORALINK_TEST_AGENTDELAY", "50");
        ASSERT_TRUE(standin.Registered());
        char path[MAX_PATH] = "", model[32] = "";
        DWORD size = sizeof path, modelsize = sizeof model;
        RegGetValueA(HKEY_CURRENT_USER, CLASSKEY, nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
        RegGetValueA(HKEY_CURRENT_USER, CLASSKEY, "ThreadingModel", RRF_RT_REG_SZ, nullptr, model, &modelsize);
        EXPECT_EQ(0, lstrcmpiA(standin.Path().c_str(), path));
        EXPECT_STREQ("Apartment", model);
        CoInitialize(nullptr);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AgentServer, nullptr, CLSCTX_SERVER, IID_IAgentEx,
                                         reinterpret_cast<void**>(&agent)));
        ASSERT_EQ(S_OK, agent->Register(&sink, &sinkid));
    }
    void TearDown() override
    {
        if (agent) {
            agent->Unregister(sinkid);
            agent->Release();
        }
        CoUninitialize();
        EXPECT_TRUE(standin.Unregister());
        HKEY key;
        EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, CLASSKEY, 0, KEY_READ, &key));
        for (const char* name : {"HORALINK_TEST_AGENTRECORD", "HORALINK_TEST_AGENTDELAY",
                                 "HORALINK_TEST_AGENTNEVERCOMPLETE", "HORALINK_TEST_AGENTFAIL"})
            SetEnvironmentVariableA(name, nullptr);
    }
    // Loads the default character and takes its interface.
    IAgentCharacterEx* Load(LONG* charid)
    {
        VARIANT location;
        VariantInit(&location);
        LONG reqid;
        IAgentCharacterEx* character = nullptr;
        EXPECT_EQ(S_OK, agent->Load(location, charid, &reqid));
        EXPECT_EQ(S_OK, agent->GetCharacterEx(*charid, &character));
        return character;
    }
    bool Heard(LONG id, const char* what = "complete ")
    {
        return sink.Heard.find(what + std::to_string(id) + ";") != std::string::npos;
    }

    TEMPDIR dir;
    AGENTSTANDIN standin;
    IAgentEx* agent = nullptr;
    SINK sink;
    LONG sinkid = 0;
};

}  // namespace

TEST_F(AgentStandIn, RunsRequestsInTurnAndTakesDragAndDoubleClick)
{
    LONG charid, other, show, speak, search, clock;
    IAgentCharacterEx* character = Load(&charid);
    HWND window = FindWindowA("HoralinkAgentStandIn", nullptr);
    ASSERT_TRUE(window && character);
    EXPECT_FALSE(IsWindowVisible(window));
    sink.Character = character;
    BSTR hello = SysAllocString(L"Hello\nthere"), name = SysAllocString(L"Search");
    ASSERT_EQ(S_OK, character->Show(0, &show));
    ASSERT_EQ(S_OK, character->Speak(hello, nullptr, &speak));
    ASSERT_EQ(S_OK, character->Play(name, &search));
    EXPECT_TRUE(sink.Heard.empty()) << "notified inside the call";
    ASSERT_TRUE(pump_until([&] { return Heard(search, "start "); }));
    EXPECT_TRUE(IsWindowVisible(window));
    // A second character's request as a clock: the looping animation outlasts it.
    IAgentCharacterEx* second = Load(&other);
    second->Hide(1, &clock);
    ASSERT_TRUE(pump_until([&] { return Heard(clock); }));
    EXPECT_FALSE(Heard(search));
    EXPECT_EQ(S_OK, character->Stop(search));
    ASSERT_TRUE(pump_until([&] { return Heard(search); }));
    std::string s = std::to_string(show), k = std::to_string(speak), p = std::to_string(search),
                c = std::to_string(clock);
    EXPECT_EQ("start " + s + ";complete " + s + ";start " + k + ";complete " + k + ";start " + p + ";start " + c +
                  ";complete " + c + ";complete " + p + ";",
              sink.Heard);

    sink.Heard.clear();
    PostMessageA(window, WM_APP + 1, 300, 200);
    PostMessageA(window, WM_APP + 2, 0, 0);
    ASSERT_TRUE(pump_until([&] { return sink.Heard == "drag 300|200;dblclick;"; })) << sink.Heard;
    second->Release();
    character->Release();
    EXPECT_EQ(S_OK, agent->Unload(charid));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ("Register 1\nLoad\nGetCharacterEx 1\nShow 0 #" + s + "\nSpeak Hello\\nthere #" + k +
                  "\nPlay Search #" + p + "\nRequestStart " + s + "\nRequestComplete " + s + "\nRequestStart " + k +
                  "\nRequestComplete " + k + "\nRequestStart " + p + "\nLoad\nGetCharacterEx 2\nHide 1 #" + c +
                  "\nRequestStart " + c + "\nRequestComplete " + c + "\nStop #" + p + "\nRequestComplete " + p +
                  "\nDragComplete 300|200\nGetPosition 300|200\nDblClick\nUnload 1\n",
              ReadFileBytes(dir.File("record.txt")));
    SysFreeString(hello);
    SysFreeString(name);
}

TEST_F(AgentStandIn, NeverCompleteStartsRequestsButEndsNone)
{
    SetEnvironmentVariableA("HORALINK_TEST_AGENTNEVERCOMPLETE", "1");
    SetEnvironmentVariableA("HORALINK_TEST_AGENTFAIL", "Think");
    LONG charid, other, stuck, clock, failed = -1;
    IAgentCharacterEx* character = Load(&charid);
    SetEnvironmentVariableA("HORALINK_TEST_AGENTNEVERCOMPLETE", nullptr);
    IAgentCharacterEx* second = Load(&other);
    ASSERT_TRUE(character && second);
    BSTR text = SysAllocString(L"hmm");
    EXPECT_EQ(E_FAIL, character->Think(text, &failed));
    EXPECT_EQ(-1, failed);
    ASSERT_EQ(S_OK, character->Show(1, &stuck));
    ASSERT_TRUE(pump_until([&] { return Heard(stuck, "start "); }));
    EXPECT_EQ(S_OK, character->Stop(stuck));
    ASSERT_EQ(S_OK, second->Show(1, &clock));
    ASSERT_TRUE(pump_until([&] { return Heard(clock); }));
    EXPECT_FALSE(Heard(stuck));
    EXPECT_NE(std::string::npos, ReadFileBytes(dir.File("record.txt")).find("\nThink hmm FAILED\n"));
    SysFreeString(text);
    second->Release();
    character->Release();
}
