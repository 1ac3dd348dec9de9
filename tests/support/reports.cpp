// Counting the assertion reports that a stretch of test code raises.
#include "reports.h"

#include "kelvo.h"

#include <cstring>

REPORTS::REPORTS() : Start(AssertCount()) {}

testing::AssertionResult REPORTS::Were(int n, const char* condition, const char* info)
{
    int raised = AssertCount() - Start;
    Start = AssertCount();
    if (raised != n) return testing::AssertionFailure() << raised << " reports instead of " << n;
    if (n > 0 && condition && strcmp(AssertLastCondition(), condition) != 0)
        return testing::AssertionFailure() << "last condition \"" << AssertLastCondition()
                                           << "\" instead of \"" << condition << "\"";
    if (n > 0 && info && strcmp(AssertLastInfo(), info) != 0)
        return testing::AssertionFailure() << "last info \"" << AssertLastInfo() << "\" instead of \""
                                           << info << "\"";
    return testing::AssertionSuccess();
}
