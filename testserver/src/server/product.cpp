#include "product.h"

namespace testserver {

namespace {

constexpr ProductInfo k2000{Product::k2000,
                            "8.00.2039",
                            "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) -- played by "
                            "testserver, a test double for integration tests, not SQL Server",
                            "8.00.2039",
                            {8, 0, 2039},
                            true,
                            false,
                            false};
constexpr ProductInfo k2019{Product::k2019,
                            "15.0.2000.5",
                            "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) -- played by "
                            "testserver, a test double for integration tests, not SQL Server",
                            "15.0.2000.5",
                            {15, 0, 2000},
                            false,
                            true,
                            true};

}  // namespace

const ProductInfo& DescribeProduct(Product product) {
  return product == Product::k2019 ? k2019 : k2000;
}

std::optional<Product> ParseProduct(std::string_view text) {
  if (text == "2000") {
    return Product::k2000;
  }
  if (text == "2019") {
    return Product::k2019;
  }
  return std::nullopt;
}

}  // namespace testserver
