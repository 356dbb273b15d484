// Cell values as the VARIANTs Excel reads, and the arguments Excel passes.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include "rtd/win32/variant_value.h"

namespace rtd {
namespace {

TEST(VariantValue, EachKindBecomesWhatASheetComputesWith) {
  VARIANT v;
  ASSERT_TRUE(ToVariant(CellValue::OfNumber(1.08501), v));
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 1.08501);
  ASSERT_TRUE(ToVariant(CellValue::OfDate(45244.5), v));
  EXPECT_EQ(v.vt, VT_DATE);
  EXPECT_EQ(v.date, 45244.5);
  ASSERT_TRUE(ToVariant(CellValue::NotAvailable(), v));
  EXPECT_EQ(v.vt, VT_ERROR);
  EXPECT_EQ(v.scode, kErrorNotAvailable);
  ASSERT_TRUE(ToVariant(CellValue::OfText("EURUSD;1.0\xE9"), v));
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(v.bstrVal), L"EURUSD;1.0\u00E9");  // Windows-1252 text
  VariantClear(&v);
}

SAFEARRAY* Strings(const std::vector<VARIANT>& values) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i)
    SafeArrayPutElement(array, &i, const_cast<VARIANT*>(&values[static_cast<std::size_t>(i)]));
  return array;
}

TEST(VariantValue, ArgumentsAreReadAsTextAndOtherArraysRefused) {
  VARIANT symbol, field, number;
  symbol.vt = field.vt = VT_BSTR;
  symbol.bstrVal = SysAllocString(L"EURUSD");
  field.bstrVal = SysAllocString(L"bid");
  number.vt = VT_I4;
  number.lVal = 42;
  SAFEARRAY* array = Strings({symbol, field, number});
  std::vector<std::string> out;
  ASSERT_TRUE(ArgumentsOf(array, out));
  EXPECT_EQ(out, (std::vector<std::string>{"EURUSD", "bid", "42"}));
  SafeArrayDestroy(array);
  array = Strings({});
  ASSERT_TRUE(ArgumentsOf(array, out));
  EXPECT_TRUE(out.empty());
  SafeArrayDestroy(array);

  EXPECT_FALSE(ArgumentsOf(nullptr, out));
  SAFEARRAY* longs = SafeArrayCreateVector(VT_I4, 0, 2);
  EXPECT_FALSE(ArgumentsOf(longs, out)) << "not variants";
  SafeArrayDestroy(longs);
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* square = SafeArrayCreate(VT_VARIANT, 2, bounds);
  EXPECT_FALSE(ArgumentsOf(square, out)) << "two dimensions";
  SafeArrayDestroy(square);
  VariantClear(&symbol);
  VariantClear(&field);
}

}  // namespace
}  // namespace rtd
