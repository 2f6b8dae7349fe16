#include "base/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

bool IsOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFd, ClosesOnceWhateverPathItTakes)
{
    int ends[2] = { -1, -1 };
    ASSERT_EQ(::pipe(ends), 0);
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    {
        base::UniqueFd first(readEnd);
        base::UniqueFd moved(std::move(first));
        EXPECT_EQ(moved.Get(), readEnd);
        base::UniqueFd assigned(writeEnd);
        // Assigning over an open descriptor closes it and takes the other one.
        assigned = std::move(moved);
        EXPECT_FALSE(IsOpen(writeEnd));
        EXPECT_TRUE(IsOpen(readEnd));
        EXPECT_EQ(assigned.Get(), readEnd);
    }
    EXPECT_FALSE(IsOpen(readEnd));

    ASSERT_EQ(::pipe(ends), 0);
    base::UniqueFd released(ends[0]);
    const int handedOn = released.Release();
    released.Reset();
    EXPECT_TRUE(IsOpen(handedOn));
    ::close(handedOn);
    ::close(ends[1]);
}

} // namespace
