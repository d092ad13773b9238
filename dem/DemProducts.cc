#include "dem/DemProducts.h"

#include "dem/DemTexts.h"

namespace {

struct ProductText {
    DemProduct product;
    const char* type;  // UTF-8, whatever the narrow literals' code page
};

const ProductText kProducts[] = {
    {DemProduct::k1m, u8"1mメッシュ（標高）"},       {DemProduct::k5A, u8"5mメッシュ（標高）"},
    {DemProduct::k5B, u8"5mメッシュ（数値地形）"},   {DemProduct::k5C, u8"5mメッシュ（数値地形）"},
    {DemProduct::k10A, u8"10mメッシュ（火山標高）"}, {DemProduct::k10B, u8"10mメッシュ（標高）"},
};

}  // namespace

bool DemProductOfType(const std::string& type, const std::string& fileName, DemProduct& product) {
    for (const auto& entry : kProducts) {
        if (type != entry.type) continue;
        product = entry.product;
        if (product == DemProduct::k5B && InCapitals(fileName).find("DEM5C") != std::string::npos)
            product = DemProduct::k5C;
        return true;
    }
    return false;
}

const char* DemTypeText(DemProduct product) {
    for (const auto& entry : kProducts)
        if (entry.product == product) return entry.type;
    return "";
}

const char* DemProductName(DemProduct product) {
    switch (product) {
        case DemProduct::k1m:
            return "DEM1A";
        case DemProduct::k5A:
            return "DEM5A";
        case DemProduct::k5B:
            return "DEM5B";
        case DemProduct::k5C:
            return "DEM5C";
        case DemProduct::k10A:
            return "DEM10A";
        case DemProduct::k10B:
            return "DEM10B";
    }
    return "";
}

std::string InCapitals(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string DemDateOfName(const std::string& fileName, DemProduct product) {
    const std::string name = InCapitals(fileName);
    const std::string before = std::string(DemProductName(product)) + "-";
    for (size_t at = name.find(before); at != std::string::npos; at = name.find(before, at + 1)) {
        const size_t date = at + before.size();
        if (date + 8 <= name.size() && name.find_first_not_of("0123456789", date) >= date + 8)
            return name.substr(date, 8);
    }
    return {};
}

bool DemGridFitsProduct(const DemHeader& header, std::string& failure) {
    int32_t columns = 0, rows = 0;
    switch (header.product) {
        case DemProduct::k1m:
            return true;
        case DemProduct::k5A:
        case DemProduct::k5B:
        case DemProduct::k5C:
            columns = 225;
            rows = 150;
            break;
        case DemProduct::k10A:
        case DemProduct::k10B:
            columns = 1125;
            rows = 750;
            break;
    }
    if (header.columns == columns && header.rows == rows) return true;
    failure =
        SayDem(DemText::kGridNotProduct,
               {std::to_string(header.columns), std::to_string(header.rows),
                std::to_string(columns), std::to_string(rows), DemProductName(header.product)});
    return false;
}
