#pragma once
// SXF files written by hand for the tests: an SFC file from its feature records, a P21 file
// from its instances, each with the header an exchange file has.

#include <string>
#include <vector>

namespace ximora::test {

/// An SFC file (UTF-8 text; the tests turn it into Shift-JIS where they need to) holding
/// `features` ("line_feature('1','2',...)"), numbered as writers number them.
inline std::string sfcFile(const std::vector<std::string>& features) {
    std::string text =
        "ISO-10303-21;\r\nHEADER;\r\nFILE_DESCRIPTION(('SCADEC level2 feature_mode'),'2;1');\r\n"
        "FILE_NAME('t.sfc','2024-01-01T00:00:00',(''),(''),'SCADEC_API_Ver3.30$$3.1','test','');"
        "\r\n"
        "FILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\r\nENDSEC;\r\nDATA;\r\n";
    int number = 10;
    for (const std::string& feature : features) {
        text += "/*SXF\r\n#" + std::to_string(number) + " = " + feature + "\r\nSXF*/\r\n";
        number += 10;
    }
    return text + "ENDSEC;\r\nEND-ISO-10303-21;\r\n";
}

/// The tables most SFC tests share: layer 1 visible, layer 2 hidden, the user colour 17 (0, 0,
/// 200), the user line type 17 (4 mm dash, 2 mm gap), the user width 11 (3 mm).
inline std::vector<std::string> sfcTables() {
    return {"layer_feature(\\'visible\\','1')",
            "layer_feature(\\'hidden\\','0')",
            "pre_defined_colour_feature(\\'red\\')",
            "user_defined_colour_feature('0','0','200')",
            "pre_defined_font_feature(\\'continuous\\')",
            "user_defined_font_feature(\\'mine\\','2','(4.000000,2.000000)')",
            "width_feature('0.130000')",
            "width_feature('3.000000')"};
}

/// An A4 landscape sheet (297 × 210 mm) closing everything before it.
inline std::string sfcSheet() { return "drawing_sheet_feature(\\'sheet\\','4','1','0','0')"; }

/// A P21 file with `instances` ("#1=CARTESIAN_POINT(...);", one each) in its data section,
/// written by `system` (FILE_NAME's originating system).
inline std::string p21File(const std::vector<std::string>& instances,
                           const std::string& system = "CAD") {
    std::string text =
        "ISO-10303-21;\nHEADER;\nFILE_DESCRIPTION(('SCADEC level2 AP202_mode'),'2;1');\n"
        "FILE_NAME('t.p21','2024-01-01T00:00:00',(''),(''),'" +
        system + "','test','');\nFILE_SCHEMA(('ASSOCIATIVE_DRAUGHTING'));\nENDSEC;\nDATA;\n";
    for (const std::string& instance : instances) text += instance + "\n";
    return text + "ENDSEC;\nEND-ISO-10303-21;\n";
}

}  // namespace ximora::test
