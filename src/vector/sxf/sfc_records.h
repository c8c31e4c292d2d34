#pragma once
// The feature comments of an SFC file: every "/*SXF ... SXF*/" comment in its data section
// (also "/*SXF3 ... SXF3*/", in lower case, with spaces inside the markers) holds one instance "#12
// = line_feature('1','2',...)" whose parameters are quoted texts, numbers among them, lists written
// "(1.0,2.0)", names written \'name\'.

#include <string>
#include <string_view>
#include <vector>

namespace ximora::vector {

struct SfcRecord {
    std::string name;                 ///< the feature's keyword in lower case
    std::vector<std::string> params;  ///< without their quotes
};

enum class SfcStatus {
    None,      ///< no feature comment at all
    Complete,  ///< every comment one record, and the file ends as an exchange file does
    Damaged,   ///< a comment that is no record, or a file cut off (`out` holds what was read)
};

/// Whether `text` holds a feature comment at all: the SFC form of SXF.
bool hasFeatureComments(std::string_view text);

/// The records of `text` (UTF-8) in file order. `unreadable` (optional) counts the feature
/// comments that are no record, and one more for a file cut short.
SfcStatus readSfcRecords(std::string_view text, std::vector<SfcRecord>& out,
                         int* unreadable = nullptr);

/// The numbers of a list parameter "(1.5,2,3)"; nothing for a value that is not a number.
std::vector<double> sfcList(std::string_view param);

/// A number as CAD tools write it ("12", "-.5", "1.5D+03" with Fortran's exponent); false when
/// `text` is no number.
bool sfcNumber(std::string_view text, double& out);

}  // namespace ximora::vector
