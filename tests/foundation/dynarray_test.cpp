// DYNARRAY and STRINGARRAY: positions, growth, deletion, copies, splitting,
// searching, sorting, and concurrent use through the array's own lock.
#include "kelvo.h"
#include "stringarray.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

static std::vector<std::string> items(const STRINGARRAY& a)
{
    std::vector<std::string> v;
    for (int i = 0; i < a.GetCount(); i++) v.push_back(a.GetItem(i)->Text());
    return v;
}

static STRINGARRAY array_of(std::initializer_list<const char*> texts)
{
    STRINGARRAY a;
    for (const char* t : texts) a.Add(STRING(t));
    return a;
}

typedef std::vector<std::string> TEXTS;

TEST(Dynarray, InsertsAtEveryValidPositionAndRefusesBeyond)
{
    STRINGARRAY a;
    EXPECT_TRUE(a.Insert(0, STRING("b")));
    EXPECT_TRUE(a.Insert(0, STRING("a")));
    EXPECT_TRUE(a.Insert(2, STRING("d")));
    EXPECT_TRUE(a.Insert(2, STRING("c")));
    EXPECT_EQ(items(a), (TEXTS{"a", "b", "c", "d"}));

    int before = AssertCount();
    EXPECT_FALSE(a.Insert(a.GetCount() + 1, STRING("x")));
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(AssertLastCondition(), "pos>=0 && pos<=this->ItemCount");
    EXPECT_STREQ(AssertLastInfo(), "5/4");
    EXPECT_FALSE(a.Insert(-1, STRING("x")));
    EXPECT_EQ(items(a), (TEXTS{"a", "b", "c", "d"}));
}

TEST(Dynarray, ItemsAreCopiesOwnedByTheArray)
{
    STRING original("one");
    STRINGARRAY a;
    a.Add(original);
    original = "changed";
    EXPECT_STREQ(a.GetItem(0)->Text(), "one");
}

TEST(Dynarray, GrowsByItsIncrement)
{
    STRINGARRAY a;
    EXPECT_EQ(a.GetMaxItems(), 64);
    for (int i = 0; i < 64; i++) a.Add(STRING(i));
    EXPECT_EQ(a.GetMaxItems(), 64);
    a.Add(STRING(64));
    EXPECT_EQ(a.GetMaxItems(), 128);
    for (int i = 0; i < 65; i++) EXPECT_EQ(a.GetItem(i)->ToInt(), i);
}

TEST(Dynarray, OutOfRangeAccessIsReportedAndYieldsNoItem)
{
    STRINGARRAY a = array_of({"x"});
    int before = AssertCount();
    EXPECT_EQ(a.GetItem(1), nullptr);
    EXPECT_EQ(a.GetItem(-1), nullptr);
    EXPECT_EQ(AssertCount(), before + 2);
    EXPECT_STREQ(AssertLastCondition(), "FALSE");
    EXPECT_EQ(std::string(AssertLastInfo()).substr(0, 40),
              "i= -1, max= 64, count= 1, type= STRINGAR");
    EXPECT_FALSE(a.DeleteItem(1));
    EXPECT_STREQ(AssertLastCondition(), "pos>=0 && pos<this->ItemCount");
    EXPECT_FALSE(a.Swap(0, 1));
    EXPECT_STREQ(AssertLastCondition(), "pos2>=0 && pos2<this->ItemCount");
    EXPECT_EQ(items(a), TEXTS{"x"});
}

TEST(Dynarray, DeleteMovesLaterItemsDownAndDeleteAllEmpties)
{
    STRINGARRAY a = array_of({"a", "b", "c"});
    EXPECT_TRUE(a.DeleteItem(1));
    EXPECT_EQ(items(a), (TEXTS{"a", "c"}));
    EXPECT_TRUE(a.Swap(0, 1));
    EXPECT_EQ(items(a), (TEXTS{"c", "a"}));
    a.DeleteAll();
    EXPECT_EQ(a.GetCount(), 0);
    EXPECT_EQ(a.GetMaxItems(), 0);
    a.Add(STRING("again"));
    EXPECT_EQ(a.GetMaxItems(), 64);
    EXPECT_EQ(items(a), TEXTS{"again"});
}

TEST(Dynarray, CopiesAreDeep)
{
    STRINGARRAY a = array_of({"a", "b"});
    for (int i = 0; i < 70; i++) a.Add(STRING("more"));
    STRINGARRAY b(a);
    EXPECT_EQ(b.GetMaxItems(), a.GetMaxItems());
    *a.GetItem(0) = "changed";
    EXPECT_STREQ(b.GetItem(0)->Text(), "a");
    STRINGARRAY c;
    c = b;
    b.DeleteAll();
    EXPECT_EQ(c.GetCount(), 72);
    EXPECT_STREQ(c.GetItem(1)->Text(), "b");
}

TEST(StringArray, SplitsKeepingEmptyPieces)
{
    EXPECT_EQ(items(STRINGARRAY(STRING("a,,b"), ",")), (TEXTS{"a", "", "b"}));
    EXPECT_EQ(items(STRINGARRAY(STRING("plain"), ",")), TEXTS{"plain"});
    EXPECT_EQ(items(STRINGARRAY(STRING(""), ",")), TEXTS{""});
    EXPECT_EQ(items(STRINGARRAY(STRING("a;b,c"), ",;")), (TEXTS{"a", "b", "c"}));

    int before = AssertCount();
    STRINGARRAY none(STRING(), ",");
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_EQ(AssertCount(), before + 1);
    EXPECT_STREQ(AssertLastCondition(), "source.NotNull()");
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
    EXPECT_EQ(a.Find("zz", STRINGARRAY_FIND_CONTAINS), -1);
}

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
    EXPECT_EQ(words.GetItem(0)->Text()[0], 'a');
    EXPECT_EQ(words.GetItem(3)->Text()[0], 'C');
}

// An array type without a comparison of its own.
class PLAINARRAY : public DYNARRAY<int> {
public:
    PLAINARRAY() : DYNARRAY<int>("PLAIN", 4, 4) {}
};

TEST(Dynarray, SortWithoutCompareIsReported)
{
    PLAINARRAY a;
    a.Add(2);
    a.Add(1);
    int before = AssertCount();
    a.Sort(0);
    EXPECT_GT(AssertCount(), before);
    EXPECT_STREQ(AssertLastCondition(), "FALSE");
    EXPECT_STREQ(AssertLastInfo(), "PLAIN");
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
