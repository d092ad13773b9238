#include "dem/DemSample.h"

#include <cstdlib>

#include "dem/DemMesh.h"
#include "dem/DemProducts.h"

namespace {

// Degrees of milliarcseconds to nine decimals, trailing zeros dropped, as the
// survey prints its envelopes.
std::string Degrees(int64_t mas) {
    const int64_t nano = (mas * 2500 + 4) / 9;  // mas * 1e9 / 3.6e6, rounded
    std::string fraction = std::to_string(nano % 1000000000 + 1000000000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return std::to_string(nano / 1000000000) + (fraction.empty() ? "" : "." + fraction);
}

}  // namespace

DemSample DemSampleOf(DemProduct product) {
    DemSample sample;
    sample.type = DemTypeText(product);
    if (product == DemProduct::k10A || product == DemProduct::k10B) {
        sample.mesh = "533946";
        sample.columns = 1125;
        sample.rows = 750;
    }
    return sample;
}

std::string DemTupleText(int32_t centimetres) {
    if (centimetres == kDemNoData) return u8"データなし,-9999.";
    const int32_t magnitude = std::abs(centimetres);
    const std::string hundredths = std::to_string(magnitude % 100 + 100).substr(1);
    return std::string(u8"地表面,") + (centimetres < 0 ? "-" : "") +
           std::to_string(magnitude / 100) + "." + hundredths;
}

int32_t DemSampleHeight(int32_t column, int32_t row) {
    if ((column * 7 + row * 3) % 97 == 0) return kDemNoData;
    return (column * 37 + row * 101) % 400000 - 1500;
}

std::string BuildDemGml(const DemSample& s) {
    const std::string nl = s.bCrLf ? "\r\n" : "\n";
    const std::string sp = s.bDoubledSpaces ? "  " : " ";
    const std::string close = s.bDoubledSpaces ? " >" : ">";
    std::string lower = s.lowerCorner, upper = s.upperCorner;
    DemHeader extent;
    std::string ignored;
    if (DemMeshExtent(s.mesh, extent, ignored)) {
        if (lower.empty()) lower = Degrees(extent.southMas) + " " + Degrees(extent.westMas);
        if (upper.empty()) upper = Degrees(extent.northMas) + " " + Degrees(extent.eastMas);
    }
    const std::string rule = "\t\t\t\t\t<gml:sequenceRule" + sp + "order=\"" + s.sequenceOrder +
                             "\"" + close + "Linear</gml:sequenceRule>" + nl +
                             "\t\t\t\t\t<gml:startPoint>" + std::to_string(s.startColumn) + " " +
                             std::to_string(s.startRow) + "</gml:startPoint>" + nl;
    const std::string function =
        "\t\t\t<gml:coverageFunction>" + nl + "\t\t\t\t<gml:GridFunction>" + nl + rule +
        "\t\t\t\t</gml:GridFunction>" + nl + "\t\t\t</gml:coverageFunction>" + nl;

    std::string text = s.bBom ? "\xEF\xBB\xBF" : "";
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + nl + nl;
    text += "<Dataset" + sp +
            "xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema "
            "FGD_GMLSchema.xsd\" " +
            nl + "\txmlns:gml=\"http://www.opengis.net/gml/3.2\" " + nl +
            "\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" " + nl +
            "\txmlns:xlink=\"http://www.w3.org/1999/xlink\" " + nl +
            "\txmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\" " + nl +
            "\tgml:id=\"Dataset1\"" + close + nl;
    text += "\t<gml:description>sample ID=fmdid:0-5</gml:description>" + nl + "\t" + nl;
    text += "\t<DEM" + sp + "gml:id=\"DEM001\"" + close + nl;
    text += "\t\t<fid>fgoid:10-00100-14-60502-" + s.mesh + "</fid>" + nl;
    text += "\t\t<lfSpanFr" + sp + "gml:id=\"DEM001-1\"" + close + nl +
            "\t\t\t<gml:timePosition>2016-10-01</gml:timePosition>" + nl + "\t\t</lfSpanFr>" + nl;
    text += "\t\t<orgGILvl>0</orgGILvl>" + nl + "\t\t<orgMDId></orgMDId>" + nl;
    text += "\t\t<type>" + s.type + "</type>" + nl;
    text += "\t\t<mesh>" + s.mesh + "</mesh>" + nl;
    text +=
        "\t\t<coverage" + sp + "gml:id=\"DEM001-3\"" + close + nl + "\t\t\t<gml:boundedBy>" + nl;
    text += "\t\t\t\t<gml:Envelope" + sp + "srsName=\"" + s.srsName + "\"" + close + nl;
    text += "\t\t\t\t\t<gml:lowerCorner>" + lower + "</gml:lowerCorner>" + nl;
    text += "\t\t\t\t\t<gml:upperCorner>" + upper + "</gml:upperCorner>" + nl;
    text += "\t\t\t\t</gml:Envelope>" + nl + "\t\t\t</gml:boundedBy>" + nl;
    text += "\t\t\t<gml:gridDomain>" + nl + "\t\t\t\t<gml:Grid" + sp + "dimension=\"2\"" + sp +
            "gml:id=\"DEM001-4\"" + close + nl + "\t\t\t\t\t<gml:limits>" + nl +
            "\t\t\t\t\t\t<gml:GridEnvelope>" + nl + "\t\t\t\t\t\t\t<gml:low>0 0</gml:low>" + nl +
            "\t\t\t\t\t\t\t<gml:high>" + std::to_string(s.columns - 1) + " " +
            std::to_string(s.rows - 1) + "</gml:high>" + nl + "\t\t\t\t\t\t</gml:GridEnvelope>" +
            nl + "\t\t\t\t\t</gml:limits>" + nl + "\t\t\t\t\t<gml:axisLabels>x y</gml:axisLabels>" +
            nl + "\t\t\t\t</gml:Grid>" + nl + "\t\t\t</gml:gridDomain>" + nl;
    if (s.bRuleFirst) text += function;
    text += "\t\t\t<gml:rangeSet>" + nl + "\t\t\t\t<gml:DataBlock>" + nl +
            "\t\t\t\t\t<gml:rangeParameters>" + nl + "\t\t\t\t\t\t<gml:QuantityList" + sp +
            "uom=\"DEM" + u8"構成点" + "\"></gml:QuantityList>" + nl +
            "\t\t\t\t\t</gml:rangeParameters>" + nl + nl + "<gml:tupleList" + close + nl;
    const int64_t first = int64_t{s.startRow} * s.columns + s.startColumn;
    const int64_t count = s.tuples >= 0 ? s.tuples : int64_t{s.columns} * s.rows - first;
    for (int64_t i = first; i < first + count; ++i) {
        const auto column = static_cast<int32_t>(i % s.columns);
        const auto row = static_cast<int32_t>(i / s.columns);
        text += s.tuple ? s.tuple(column, row) : DemTupleText(DemSampleHeight(column, row));
        text += nl;
    }
    text += "</gml:tupleList>" + nl + nl + "\t\t\t\t</gml:DataBlock>" + nl +
            "\t\t\t</gml:rangeSet>" + nl;
    if (!s.bRuleFirst) text += function;
    text += "\t\t</coverage>" + nl + "\t</DEM>" + nl + "</Dataset>" + nl;
    return text;
}
