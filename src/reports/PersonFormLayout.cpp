// Person registration form: one person per page, with cells left blank for
// handwriting (photo, last year's wage, relocation, civil-servant subsidy).
#include "reports/FormLayouts.h"
#include "reports/LayoutTables.h"

namespace reports::forms {
namespace {

constexpr TextRow kHeader[] = {
    title(2.1, 61.4, "参加社会保险人员情况登记表"),
    label(20.6, 0.0, "社会保险登记证编码："),
    field(21.2, 44.5, "SSN"),
};

constexpr TextRow kDetail[] = {
    label(3.7, 8.7, "姓名"),
    label(3.7, 84.4, "公民身份号码"),
    field(4.2, 31.8, "NAME"),
    field(4.2, 114.6, "IDCARD"),
    label(14.3, 8.7, "性别"),
    label(14.3, 57.9, "出生日期"),
    label(14.3, 121.4, "民族"),
    field(14.8, 31.8, "性别"),
    field(14.8, 84.7, "BIRTH"),
    field(14.8, 143.9, "民族"),
    label(18.5, 172.2, "照片"),
    label(25.7, 3.7, "缴费人员类别", 8),
    field(25.7, 28.0, "缴费人员类别", 8),
    label(25.7, 54.5, "医疗参保人员类别", 8),
    field(25.7, 83.9, "医疗参保人员类别", 8),
    label(25.7, 116.4, "上年月平均工资", 9),
    label(37.0, 5.0, "出生地"),
    field(37.0, 29.6, "出生地", 8),
    label(37.0, 76.2, "婚姻状况"),
    field(37.0, 95.2, "婚姻状况", 8),
    label(37.0, 117.7, "户口性质"),
    field(37.0, 139.4, "户口性质", 8),
    label(48.2, 5.0, "文化程度"),
    field(48.2, 27.8, "文化程度"),
    label(48.2, 51.6, "个人身份"),
    field(48.2, 76.2, "个人身份"),
    label(48.2, 107.4, "参加工作日期"),
    field(48.2, 135.5, "WORKDATE"),
    label(56.6, 107.4, "国家职业资格等级", 8),
    label(58.7, 5.0, "行政职务"),
    label(58.7, 47.9, "专业技术职称"),
    field(59.3, 27.8, "行政职务", 8),
    field(59.3, 76.2, "专业技术职称", 8),
    field(59.3, 135.5, "工人技术等级"),
    label(60.9, 109.5, "工人技术等级", 8),
    label(69.3, 3.7, "离退休日期"),
    field(69.3, 28.6, "RETIREDATE"),
    label(69.3, 50.3, "离退休类别"),
    field(69.3, 76.2, "离退休类别"),
    label(79.9, 1.6, "户口所在街道名称"),
    field(79.9, 40.2, "RESIDENT"),
    label(92.1, 1.6, "户口所在地地址"),
    field(92.1, 40.2, "RESIDENTADDR"),
    field(102.4, 172.5, "ZIP"),
    label(102.7, 137.1, "居住地邮政编码"),
    label(103.2, 3.7, "居住地地址"),
    field(103.2, 40.2, "ADDRESS"),
    label(113.2, 75.7, "联系人姓名"),
    field(113.5, 40.2, "TEL"),
    field(113.5, 99.5, "LINKMAN"),
    label(113.8, 7.9, "参保人电话"),
    label(113.8, 140.2, "联系人电话"),
    field(113.8, 167.7, "LINKMANTEL"),
    label(123.8, 141.3, "备  注"),
    label(124.4, 3.7, "定点医疗机构 1"),
    field(124.9, 40.2, "定点医疗机构1"),
    label(134.9, 3.7, "定点医疗机构 2"),
    field(135.5, 40.2, "定点医疗机构2"),
    field(146.1, 40.2, "定点医疗机构3"),
    label(147.6, 3.7, "定点医疗机构 3"),
    field(156.6, 40.2, "定点医疗机构4"),
    label(158.2, 3.7, "定点医疗机构 4"),
    field(167.2, 40.2, "定点医疗机构5"),
    label(168.8, 3.7, "定点医疗机构 5"),
    label(179.4, 3.7, "异地安置日期"),
    label(179.7, 60.9, "异地医院名称"),
    label(190.0, 3.7, "异地医院地址"),
    label(201.6, 69.3, "异地医院名称"),
    label(202.7, 1.6, "异地医院邮政编码"),
    label(210.6, 3.4, "个人享受公务员"),
    label(211.4, 66.9, "公务员医疗补助"),
    label(215.6, 4.5, "医疗补助标识"),
    label(216.4, 72.8, "缴费方式"),
};

constexpr double W = kBandWidth;

constexpr HLineRow kHLines[] = {
    // Left of the photo column.
    {11.1, 0, 163.5},
    {22.0, 0, 163.5},
    {33.1, 0, 163.5},
    // Across the full width.
    {44.2, 0, W},
    {55.0, 0, W},
    {66.1, 0, W},
    {77.3, 0, W},
    {88.1, 0, W},
    {99.2, 0, W},
    {110.3, 0, W},
    {121.2, 0, W},
    // Left of the remarks column.
    {132.3, 0, 136.8},
    {143.4, 0, 136.8},
    {154.3, 0, 136.8},
    {165.4, 0, 136.8},
    {176.5, 0, 136.8},
    {187.3, 0, 136.8},
    {198.4, 0, 136.8},
    {209.6, 0, 136.8},
    // Short write-in lines.
    {27.5, 142.1, 159.3},   // previous year's wage
    {182.3, 40.0, 57.1},    // relocation date
    {182.3, 99.5, 125.1},   // remote hospital name
    {193.1, 57.1, 116.7},   // remote hospital address
    {204.5, 42.6, 59.8},    // remote hospital postal code
    {203.5, 103.7, 129.4},  // second remote hospital name
};

constexpr VLineRow kVLines[] = {
    // Upper block.
    {163.5, 0.3, 44.2},  // photo column
    {27.3, 0.3, 77.3},   // label column
    {83.1, 0.3, 32.5},
    {111.4, 0.3, 10.8},
    {51.3, 11.4, 33.1},
    {115.9, 11.4, 43.9},
    {139.2, 11.4, 43.7},
    {74.6, 33.3, 77.0},
    {94.2, 33.3, 44.2},
    // Middle block.
    {47.1, 44.5, 77.0},
    {106.4, 44.5, 66.1},
    {133.9, 44.5, 66.1},
    // Lower block.
    {37.8, 77.3, 220.9},   // label column from the household rows down
    {136.8, 99.2, 221.2},  // postal-code, contact-telephone and remarks cells
    {167.2, 99.5, 121.2},
    {74.6, 110.6, 120.9},  // contact person cell
    {97.6, 110.6, 120.9},
    {59.8, 176.5, 187.1},  // remote hospital name cell in the relocation row
    {87.6, 176.5, 187.3},
    {66.4, 198.7, 221.2},  // the last two rows' middle cells
    {97.6, 198.7, 221.2},
};

constexpr TextRow kFooter[] = {
    label(12.7, 2.1, "经办人：________________"),
    label(12.7, 52.9, "本人或委托人签字（盖章）：________________"),
    label(12.7, 152.4, "      年    月    日"),
};

}  // namespace

ReportDefinition personForm() {
    ReportDefinition report;
    report.name = QStringLiteral("QuickRep3");
    report.title = kPersonTitle;
    report.rowSet = kPersonRows;
    report.pageHeader = makeBand(QStringLiteral("ColumnHeaderBand1"), BandKind::PageHeader, 28.3, FrameNone,
                                 kPersonRows, kHeader);
    report.detail = makeBand(QStringLiteral("DetailBand3"), BandKind::Detail, 222.0, FrameAll, kPersonRows,
                             kDetail, kHLines, kVLines);
    report.pageFooter = makeBand(QStringLiteral("PageFooterBand1"), BandKind::PageFooter, 26.2, FrameNone,
                                 kPersonRows, kFooter);
    return report;
}

}  // namespace reports::forms
