// An array with automatic memory allocation whose items are heap copies owned
// by the array, guarded by a mutex of its own and sortable through Compare.
#pragma once

#include "kelvo.h"
#include "semaphores.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Serialises every sort of the program (the comparison finds its array through one pointer).
CRITSECT& DynarraySortLock();

const int DYNARRAY_SORT_REVERSE = 8;

template <class TYPE>
class DYNARRAY {
public:
    DYNARRAY(const char* type, int maxitems, int increment);
    DYNARRAY(const DYNARRAY& other);
    DYNARRAY& operator=(const DYNARRAY& other);
    virtual ~DYNARRAY();

    // Orders a before b (negative), equal (0) or after (positive); sorted arrays supply it.
    virtual int Compare(const TYPE* a, const TYPE* b, int flags);

    // The item at i, or null (after a report) when i is out of range.
    TYPE* GetItem(int i);
    const TYPE* GetItem(int i) const { return const_cast<DYNARRAY*>(this)->GetItem(i); }
    // The item at i; out of range is reported and reaches a dummy item.
    TYPE& operator[](int i);
    int GetCount() const { return ItemCount; }
    int GetMaxItems() const { return MaxItems; }
    const char* GetTypeName() const { return TypeName; }

    // Inserts a copy of item at pos (0..GetCount()); false after a report.
    bool Insert(int pos, const TYPE& item);
    bool Add(const TYPE& item) { return Insert(GetCount(), item); }
    bool DeleteItem(int pos);
    void DeleteAll();
    bool Swap(int pos1, int pos2);
    // Sorts by Compare; flag DYNARRAY_SORT_REVERSE gives descending order.
    void Sort(int flags);

    // The array's mutex, for callers whose several operations must stand together.
    bool Lock(int timeout = -1) { return pLock && pLock->Obtain(timeout); }
    void Unlock()
    {
        if (pLock) pLock->Release();
    }

protected:
    char TypeName[32];
    MUTEXSEM* pLock;
    TYPE** ppItems;
    int ItemCount;
    int MaxItems;
    int Increment;

private:
    void Init(const char* type, int maxitems, int increment);
    // A fresh, cleared slot array of maxitems slots (none when maxitems is 0).
    void AllocSlots(int maxitems);
    void CopyItems(const DYNARRAY& other);
    static int SortCompare(const void* a, const void* b);
    static DYNARRAY* SortThis;
    static int SortFlags;
};

template <class TYPE>
DYNARRAY<TYPE>* DYNARRAY<TYPE>::SortThis = nullptr;
template <class TYPE>
int DYNARRAY<TYPE>::SortFlags = 0;

template <class TYPE>
void DYNARRAY<TYPE>::Init(const char* type, int maxitems, int increment)
{
    snprintf(TypeName, sizeof TypeName, "%s", type ? type : "");
    pLock = new MUTEXSEM(false, nullptr);
    ASSERT(pLock);
    ItemCount = 0;
    Increment = increment;
    AllocSlots(maxitems);
}

template <class TYPE>
void DYNARRAY<TYPE>::AllocSlots(int maxitems)
{
    MaxItems = maxitems > 0 ? maxitems : 0;
    ppItems = nullptr;
    if (MaxItems > 0) {
        ppItems = static_cast<TYPE**>(calloc(MaxItems, sizeof(TYPE*)));
        if (!ASSERT(this->ppItems)) MaxItems = 0;
    }
}

template <class TYPE>
DYNARRAY<TYPE>::DYNARRAY(const char* type, int maxitems, int increment)
{
    Init(type, maxitems, increment);
}

template <class TYPE>
DYNARRAY<TYPE>::DYNARRAY(const DYNARRAY& other)
{
    Init(other.TypeName, other.MaxItems, other.Increment);
    CopyItems(other);
}

template <class TYPE>
DYNARRAY<TYPE>& DYNARRAY<TYPE>::operator=(const DYNARRAY& other)
{
    if (this == &other) return *this;
    Lock();
    DeleteAll();
    Increment = other.Increment;
    AllocSlots(other.MaxItems);
    CopyItems(other);
    Unlock();
    return *this;
}

template <class TYPE>
void DYNARRAY<TYPE>::CopyItems(const DYNARRAY& other)
{
    DYNARRAY& source = const_cast<DYNARRAY&>(other);
    source.Lock();
    for (int i = 0; i < source.ItemCount; i++) Insert(ItemCount, *source.ppItems[i]);
    source.Unlock();
}

template <class TYPE>
DYNARRAY<TYPE>::~DYNARRAY()
{
    DeleteAll();
    delete pLock;
}

template <class TYPE>
int DYNARRAY<TYPE>::Compare(const TYPE*, const TYPE*, int)
{
    Assert(false, "FALSE", __FILE__, __LINE__, TypeName, false);
    return 0;
}

template <class TYPE>
TYPE* DYNARRAY<TYPE>::GetItem(int i)
{
    Lock();
    TYPE* item = nullptr;
    if (i >= 0 && i < ItemCount && i < MaxItems) {
        item = ppItems[i];
    } else {
        char info[160];
        snprintf(info, sizeof info, "i= %d, max= %d, count= %d, type= %s, this= %p", i, MaxItems,
                 ItemCount, TypeName, static_cast<void*>(this));
        Assert(false, "FALSE", __FILE__, __LINE__, info, false);
    }
    Unlock();
    return item;
}

template <class TYPE>
TYPE& DYNARRAY<TYPE>::operator[](int i)
{
    TYPE* item = GetItem(i);
    if (item) return *item;
    static TYPE dummy;
    dummy = TYPE();
    return dummy;
}

template <class TYPE>
bool DYNARRAY<TYPE>::Insert(int pos, const TYPE& item)
{
    Lock();
    if (!(pos >= 0 && pos <= this->ItemCount)) {
        char info[40];
        snprintf(info, sizeof info, "%d/%d", pos, ItemCount);
        Assert(false, "pos>=0 && pos<=this->ItemCount", __FILE__, __LINE__, info, false);
        Unlock();
        return false;
    }
    if (ItemCount >= MaxItems && Increment > 0) {
        int newmax = MaxItems + Increment;
        TYPE** items = static_cast<TYPE**>(calloc(newmax, sizeof(TYPE*)));
        if (ASSERT(items)) {
            if (ppItems) memcpy(items, ppItems, ItemCount * sizeof(TYPE*));
            free(ppItems);
            ppItems = items;
            MaxItems = newmax;
        }
    }
    if (!ASSERT(this->ItemCount<this->MaxItems)) {
        Unlock();
        return false;
    }
    memmove(ppItems + pos + 1, ppItems + pos, (ItemCount - pos) * sizeof(TYPE*));
    ppItems[pos] = new TYPE(item);
    ItemCount++;
    Unlock();
    return true;
}

template <class TYPE>
bool DYNARRAY<TYPE>::DeleteItem(int pos)
{
    Lock();
    if (!ASSERT(pos>=0 && pos<this->ItemCount)) {
        Unlock();
        return false;
    }
    TYPE* pitem = ppItems[pos];
    LogitLevel(12, "DYNARRAY::DeleteItem is called for pitem=%p\n", static_cast<void*>(pitem));
    delete pitem;
    memmove(ppItems + pos, ppItems + pos + 1, (ItemCount - pos - 1) * sizeof(TYPE*));
    ItemCount--;
    ppItems[ItemCount] = nullptr;
    Unlock();
    return true;
}

template <class TYPE>
void DYNARRAY<TYPE>::DeleteAll()
{
    Lock();
    for (int i = 0; i < ItemCount; i++) delete ppItems[i];
    free(ppItems);
    ppItems = nullptr;
    ItemCount = 0;
    MaxItems = 0;
    Unlock();
}

template <class TYPE>
bool DYNARRAY<TYPE>::Swap(int pos1, int pos2)
{
    Lock();
    bool ok = ASSERT(pos1>=0 && pos1<this->ItemCount) && ASSERT(pos2>=0 && pos2<this->ItemCount);
    if (ok) {
        TYPE* t = ppItems[pos1];
        ppItems[pos1] = ppItems[pos2];
        ppItems[pos2] = t;
    }
    Unlock();
    return ok;
}

template <class TYPE>
int DYNARRAY<TYPE>::SortCompare(const void* a, const void* b)
{
    const TYPE* ia = *static_cast<TYPE* const*>(a);
    const TYPE* ib = *static_cast<TYPE* const*>(b);
    int rc = SortThis->Compare(ia, ib, SortFlags);
    return (SortFlags & DYNARRAY_SORT_REVERSE) ? -rc : rc;
}

template <class TYPE>
void DYNARRAY<TYPE>::Sort(int flags)
{
    CRITSECT& sortlock = DynarraySortLock();
    sortlock.Enter();
    if (!ASSERTTEXT(SortThis == nullptr, "DYNARRAY<TYPE>::SortThis==NULL", TypeName)) {
        sortlock.Leave();
        return;
    }
    Lock();
    SortThis = this;
    SortFlags = flags;
    if (ItemCount > 1) qsort(ppItems, ItemCount, sizeof(TYPE*), SortCompare);
    SortThis = nullptr;
    SortFlags = 0;
    Unlock();
    sortlock.Leave();
}
