// DYNARRAY and STRINGARRAY: positions, growth, deletion, copies, splitting,
// searching, sorting, and concurrent use through the array's own lock.
#include "stringarray.h"

#include "kelvo.h"
#include "reports.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

typedef std::vector<std::string> TEXTS;

static TEXTS items(const STRINGARRAY& a)
{
    TEXTS v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(a.GetItem(i)->Text());
    return v;
}

static STRINGARRAY array_of(std::initializer_list<const char*> texts)
{
    STRINGARRAY a;
    for (const char* t : texts) a.Add(STRING(t));
    return a;
}

TEST(Dynarray, InsertsAtEveryValidPositionAndOutOfRangeIsReportedAndChangesNothing)
{
    STRINGARRAY a;
    STRING b("b");
    EXPECT_TRUE(a.Insert(0, b));
    EXPECT_TRUE(a.Insert(0, STRING("a")));
    EXPECT_TRUE(a.Insert(2, STRING("d")));
    EXPECT_TRUE(a.Insert(2, STRING("c")));
    b = "changed";  // the array holds copies of its own
    REPORTS reports;
    EXPECT_FALSE(a.Insert(a.GetCount() + 1, STRING("x")));
    EXPECT_TRUE(reports.Were(1, "pos>=0 && pos<=this->ItemCount", "5/4"));
    EXPECT_FALSE(a.Insert(-1, STRING("x")));
    EXPECT_EQ(a.GetItem(4), nullptr);
    EXPECT_EQ(a.GetItem(-1), nullptr);
    EXPECT_TRUE(reports.Were(3, "FALSE"));
    EXPECT_EQ(std::string(AssertLastInfo()).substr(0, 40), "i= -1, max= 64, count= 4, type= STRINGAR");
    EXPECT_FALSE(a.DeleteItem(4));
    EXPECT_TRUE(reports.Were(1, "pos>=0 && pos<this->ItemCount"));
    EXPECT_FALSE(a.Swap(0, 4));
    EXPECT_TRUE(reports.Were(1, "pos2>=0 && pos2<this->ItemCount"));
    EXPECT_EQ(items(a), (TEXTS{"a", "b", "c", "d"}));
}

TEST(Dynarray, GrowsByItsIncrementDeletesSwapsAndCopiesDeeply)
{
    STRINGARRAY a = array_of({"a", "b", "c"});
    EXPECT_TRUE(a.DeleteItem(1));
    EXPECT_TRUE(a.Swap(0, 1));
    EXPECT_EQ(items(a), (TEXTS{"c", "a"}));
    for (int i = 2; i < 64; i++) a.Add(STRING(i));
    EXPECT_EQ(a.GetMaxItems(), 64);
    a.Add(STRING(64));
    EXPECT_EQ(a.GetMaxItems(), 128);
    for (int i = 2; i < 65; i++) EXPECT_EQ(a.GetItem(i)->ToInt(), i);
    STRINGARRAY copy(a);
    STRINGARRAY assigned;
    assigned = copy;
    EXPECT_EQ(copy.GetMaxItems(), 128);
    a.DeleteAll();
    EXPECT_EQ(a.GetMaxItems(), 0);
    EXPECT_STREQ(copy.GetItem(0)->Text(), "c");
    *copy.GetItem(0) = "changed";
    EXPECT_EQ(assigned.GetCount(), 65);
    EXPECT_STREQ(assigned.GetItem(0)->Text(), "c");
    a.Add(STRING("again"));  // an emptied array grows again by its increment
    EXPECT_EQ(a.GetMaxItems(), 64);
}

TEST(StringArray, SplitsKeepingEmptyPieces)
{
    EXPECT_EQ(items(STRINGARRAY(STRING("a,,b"), ",")), (TEXTS{"a", "", "b"}));
    EXPECT_EQ(items(STRINGARRAY(STRING(""), ",")), TEXTS{""});
    EXPECT_EQ(items(STRINGARRAY(STRING("a;b,c"), ",;")), (TEXTS{"a", "b", "c"}));
    REPORTS reports;
    EXPECT_EQ(STRINGARRAY(STRING(), ",").GetCount(), 0);
    EXPECT_TRUE(reports.Were(1, "source.NotNull()"));
}

TEST(StringArray, FindModes)
{
    STRINGARRAY a = array_of({"ABC", "xabcx", "007"});
    EXPECT_EQ(a.Find("ab", STRINGARRAY_FIND_EQUAL), -1);
    EXPECT_EQ(a.Find("abc", STRINGARRAY_FIND_EQUAL), 0);
    EXPECT_EQ(a.Find("ab", STRINGARRAY_FIND_BEGINS), 0);
    EXPECT_EQ(a.Find("XA", STRINGARRAY_FIND_BEGINS), 1);
    EXPECT_EQ(a.Find("bcx", STRINGARRAY_FIND_CONTAINS), 1);
    EXPECT_EQ(a.Find("7", STRINGARRAY_FIND_NUMBER), 2);
}

// An array type without a comparison of its own.
class PLAINARRAY : public DYNARRAY<int> {
public:
    PLAINARRAY() : DYNARRAY<int>("PLAIN", 4, 4) {}
};

TEST(StringArray, SortsNumericTextualAndReversed)
{
    STRINGARRAY numbers = array_of({"10", "9", "100", "-1"});
    numbers.Sort(STRINGARRAY_SORT_NUMERIC);
    EXPECT_EQ(items(numbers), (TEXTS{"-1", "9", "10", "100"}));
    numbers.Sort(STRINGARRAY_SORT_NUMERIC | DYNARRAY_SORT_REVERSE);
    EXPECT_EQ(items(numbers), (TEXTS{"100", "10", "9", "-1"}));
    STRINGARRAY words = array_of({"b", "B", "a", "C"});
    words.Sort(0);
    EXPECT_EQ(items(words), (TEXTS{"B", "C", "a", "b"}));
    words.Sort(STRINGARRAY_SORT_NOCASE);
    EXPECT_EQ(items(words)[3], "C");

    PLAINARRAY plain;
    plain.Add(2);
    plain.Add(1);
    REPORTS reports;
    plain.Sort(0);
    EXPECT_TRUE(reports.Were(1, "FALSE", "PLAIN"));
}

TEST(Dynarray, ConcurrentInsertsAndSortsKeepEveryItem)
{
    STRINGARRAY shared;
    STRINGARRAY other = array_of({"c", "a", "b"});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([&shared, &other, t]() {
            for (int i = 0; i < 500; i++) {
                shared.Insert(0, STRING(t * 1000 + i));
                if (i % 50 == 0) other.Sort(STRINGARRAY_SORT_NOCASE);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(shared.GetCount(), 2000);
    shared.Sort(STRINGARRAY_SORT_NUMERIC);
    for (int t = 0; t < 4; t++)
        for (int i = 0; i < 500; i++) EXPECT_EQ(shared.GetItem(t * 500 + i)->ToInt(), t * 1000 + i);
    EXPECT_EQ(items(other), (TEXTS{"a", "b", "c"}));
}
