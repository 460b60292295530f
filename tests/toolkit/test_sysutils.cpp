#include <gtest/gtest.h>

#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

TEST(SysUtils, MessagesCarryTheirArguments)
{
    struct Row
    {
        std::string actual, expected;
    } rows[] = {
        {EListError::IndexOutOfBounds(-1).Message(), "List index out of bounds (-1)"},
        {EFOpenError("a b.log").Message(), "Cannot open file a b.log"},
        {EFCreateError("/x/y").Message(), "Cannot create file /x/y"},
        {Format("%s Angle must be between 0 and 359 degrees", "Axis Title"),
         "Axis Title Angle must be between 0 and 359 degrees"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.actual, row.expected);
}

TEST(Classes, AssignBetweenUnrelatedObjectsFailsWithConversionError)
{
    TPersistent a, b;
    EXPECT_THROW(a.Assign(&b), EConvertError);
}

TEST(Classes, OwnerFreesItsComponents)
{
    struct Probe : TComponent
    {
        Probe(TComponent* o, int* c) : TComponent(o), count(c) {}
        ~Probe() override { ++*count; }
        int* count;
    };
    int freed = 0;
    auto* owner = new TComponent(nullptr);
    new Probe(owner, &freed);
    new Probe(owner, &freed);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(freed, 2);
}
