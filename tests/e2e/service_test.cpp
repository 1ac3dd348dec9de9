// horalink.exe run as a service: service.exe from the build's bin folder with the
// service.cfg that ships beside it, under the platform's service manager, from the
// installation to the removal.
#include "kelvoapp.h"
#include "servicecfg.h"
#include "servicecommands.h"
#include "testfiles.h"
#include "testprocess.h"

#include <gtest/gtest.h>

#include <string>

const DWORD RUN_MS = 60000;
const char SERVICE_WINDOW_CLASS[] = "KelvoHoralinkWinClassService";

static int run_service(const std::string& arguments)
{
    PROGRAMRUN run = RunProgram("\"" + ProductBinDir() + "\\service.exe\" " + arguments, ProductBinDir(), RUN_MS);
    EXPECT_TRUE(run.started && run.ended) << arguments;
    return run.ended ? static_cast<int>(run.exitcode) : -1;
}

TEST(HoralinkService, InstallsStartsStopsAndRemovesHoralinkAsAService)
{
    SERVICECONFIG config;
    ASSERT_TRUE(LoadServiceConfig((ProductBinDir() + "\\service.cfg").c_str(), config));
    ASSERT_STREQ(config.AppWinClass, SERVICE_WINDOW_CLASS);
    // What an earlier run that broke off may have left.
    if (ExecuteServiceCommand(SERVICECMD_QUERYSTATUS, config) != 0) {
        run_service("/stop");
        run_service("/uninstall");
    }

    ASSERT_EQ(run_service("/install"), 0);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, config.AppName, SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service);
    char buffer[8192];
    QUERY_SERVICE_CONFIGA* installed = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigA(service, installed, sizeof buffer, &needed));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_EQ(std::string(installed->lpBinaryPathName), "\"" + ProductBinDir() + "\\service.exe\"");
    EXPECT_EQ(installed->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(std::string(installed->lpServiceStartName), "LocalSystem");

    ASSERT_EQ(run_service("/start"), 0);
    EXPECT_TRUE(WaitUntil([] { return FindWindowA(SERVICE_WINDOW_CLASS, nullptr) != nullptr; }, RUN_MS))
        << "horalink did not start in service mode";
    EXPECT_TRUE(WaitUntil([&] { return ExecuteServiceCommand(SERVICECMD_QUERYSTATUS, config) == SERVICE_RUNNING; }, RUN_MS));

    EXPECT_EQ(run_service("/stop"), 0);
    EXPECT_EQ(FindWindowA(SERVICE_WINDOW_CLASS, nullptr), nullptr) << "horalink still runs after the stop";
    EXPECT_EQ(ExecuteServiceCommand(SERVICECMD_QUERYSTATUS, config), SERVICE_STOPPED);

    EXPECT_EQ(run_service("/uninstall"), 0);
    EXPECT_EQ(ExecuteServiceCommand(SERVICECMD_QUERYSTATUS, config), 0);
}
