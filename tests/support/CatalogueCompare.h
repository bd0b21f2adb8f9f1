// Field-by-field comparison of two catalogues, for load and save round trips.
#pragma once

#include <gtest/gtest.h>

#include "formats/FileTypes.h"

namespace quillot::test {

inline void ExpectSameCatalogue(const TFormatsList& a, const TFormatsList& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (int32_t i = 0; i < a.Count(); ++i) {
    const TFormat& x = a.Items(i);
    const TFormat& y = b.Items(i);
    SCOPED_TRACE(x.Title);
    EXPECT_EQ(x.Title, y.Title);
    EXPECT_EQ(x.Category, y.Category);
    EXPECT_EQ(x.Order, y.Order);
    EXPECT_EQ(x.FileExtension, y.FileExtension);
    EXPECT_EQ(x.TypeDescription, y.TypeDescription);
    EXPECT_EQ(x.FilePrefix, y.FilePrefix);
    EXPECT_EQ(x.Search, y.Search);
    EXPECT_EQ(x.ScanBytes, y.ScanBytes);
    EXPECT_EQ(x.Stream, y.Stream);
    EXPECT_EQ(x.Check, y.Check);
  }
}

}  // namespace quillot::test
