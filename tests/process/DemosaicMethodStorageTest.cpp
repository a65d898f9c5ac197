#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/process/demosaic/DemosaicMethod.h"

namespace kyp {

// The method objects come from their own allocation functions: aligned for
// their planes, with the pages of their storage present from the start.
TEST(DemosaicMethodStorage, ObjectsAreAlignedAndTheirPagesPresent) {
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    for (uint16_t method : {0, 1, 7, 8}) {
        std::unique_ptr<DemosaicMethod> object = CreateDemosaicMethod(method);
        ASSERT_NE(object, nullptr);
        // The luminance methods keep their planes on 64-byte boundaries.
        if (method >= 7) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(object.get()) % 64, 0u) << method;
        }
        EXPECT_EQ(object->Number(), method);
        // The first 100 KB (every method holds more) lie in resident pages.
        const auto start = reinterpret_cast<uintptr_t>(object.get());
        const uintptr_t first = (start + page - 1) / page * page;
        const uintptr_t end = (start + 100 * 1024) / page * page;
        std::vector<unsigned char> resident((end - first) / page);
        ASSERT_EQ(::mincore(reinterpret_cast<void*>(first), end - first, resident.data()), 0);
        for (size_t i = 0; i < resident.size(); ++i) EXPECT_EQ(resident[i] & 1, 1) << method << ' ' << i;
    }
}

}  // namespace kyp
