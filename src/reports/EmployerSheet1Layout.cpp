// Employer registration form, sheet one: the registration sheet proper.
#include "reports/FormLayouts.h"
#include "reports/LayoutTables.h"

namespace reports::forms {
namespace {

constexpr Face MS = Face::MsSans;

constexpr TextRow kHeader[] = {
    title(2.1, 65.6, "社会保险登记表（表一）"),
    label(18.5, 2.1, "社会保险登记证编码："),
    field(19.1, 46.6, "SSN"),
};

constexpr TextRow kDetail[] = {
    label(3.7, 2.1, "缴费单位名称"),
    field(3.7, 31.8, "NAME"),
    label(4.2, 135.5, "电话"),
    field(4.2, 146.1, "TEL"),
    label(12.7, 135.5, "邮编"),
    field(12.7, 146.1, "ZIP", 10, MS),
    label(14.3, 2.1, "单位住所（地址）"),
    field(14.8, 38.1, "ADDRESS", 10, MS),
    label(25.4, 33.9, "执照类型", 10, MS),
    field(25.4, 55.0, "工商登记执照种类", 10, MS),
    centred(27.5, 8.5, "工  商", 13.0, 6.6),
    centred(36.0, 8.5, "登  记", 13.0, 6.6),
    label(38.1, 33.9, "执照号码", 10, MS),
    field(38.1, 55.0, "工商登记执照号码", 10, MS),
    centred(44.5, 8.5, "执  照", 13.0, 6.6),
    label(50.8, 33.9, "发照日期", 10, MS),
    field(50.8, 55.0, "工商登记发照日期", 10, MS),
    centred(52.9, 8.5, "信  息", 13.0, 6.6),
    label(61.4, 33.9, "有效期限", 10, MS),
    field(61.4, 55.0, "工商登记有效期限", 10, MS),
    label(61.4, 84.7, "年", 10, MS),
    centred(72.0, 8.5, "批  准", 13.0, 6.6),
    label(72.0, 33.9, "批准单位", 10, MS),
    field(72.0, 55.0, "批准成立单位", 10, MS),
    centred(80.4, 8.5, "成  立", 13.0, 6.6),
    label(82.5, 33.9, "批准日期", 10, MS),
    field(82.5, 55.0, "批准日期", 10, MS),
    centred(88.9, 8.5, "信  息", 13.0, 6.6),
    label(95.2, 33.9, "批准文号", 10, MS),
    field(95.2, 55.0, "批准文号", 10, MS),
    centred(108.0, 4.2, "法定代表", 19.3, 6.6),
    label(108.0, 33.9, "姓名", 10, MS),
    field(108.0, 55.0, "法定代表人姓名", 10, MS),
    centred(116.4, 4.2, "人或负责", 19.3, 6.6),
    label(118.5, 33.9, "公民身份号码", 10, MS),
    field(118.5, 57.1, "法定代表人公民身份号码", 10, MS),
    centred(124.9, 6.3, "人", 13.0, 6.6),
    label(131.2, 33.9, "电话", 10, MS),
    field(131.2, 55.0, "法定代表人电话", 10, MS),
    centred(141.8, 8.5, "缴  费", 13.0, 6.6),
    label(141.8, 33.9, "姓名", 10, MS),
    field(141.8, 55.0, "缴费单位专管员姓名", 10, MS),
    centred(150.3, 8.5, "单  位", 13.0, 6.6),
    label(152.4, 33.9, "所在部门", 10, MS),
    field(152.4, 55.0, "缴费单位专管员所在部门", 10, MS),
    centred(158.8, 8.5, "专管员", 13.0, 6.6),
    label(165.1, 33.9, "电话", 10, MS),
    field(165.1, 55.0, "缴费单位专管员电话", 10, MS),
    label(177.3, 4.8, "单位类型"),
    field(177.3, 40.8, "单位类型", 10, MS),
    label(177.8, 118.5, "隶属关系"),
    field(177.8, 139.7, "隶属关系", 10, MS),
    label(188.4, 4.2, "主管部门或总机构"),
    field(188.4, 40.2, "主管部门或总机构", 10, MS),
    label(201.1, 4.2, "开户银行与行号"),
    field(201.1, 40.2, "缴费开户银行名称"),
    field(201.1, 88.9, "缴费开户银行行号", 10, MS),
    label(201.1, 118.5, "户名"),
    field(201.1, 131.2, "缴费银行户名", 10, MS),
    label(211.7, 4.2, "银行基本账号"),
    field(211.7, 40.2, "缴费银行基本帐号", 10, MS),
};

constexpr double W = kBandWidth;

constexpr HLineRow kHLines[] = {
    // Across the full width.
    {10.1, 0, W},
    {21.7, 0, W},
    {68.3, 0, W},
    {103.2, 0, W},
    {138.1, 0, W},
    {173.0, 0, W},
    {184.7, 0, W},
    {196.3, 0, W},
    {208.0, 0, W},
    // Right of the block-title column.
    {33.3, 30.2, W},
    {45.0, 30.2, W},
    {56.6, 30.2, W},
    {79.9, 30.2, W},
    {91.5, 30.2, W},
    {114.8, 30.2, W},
    {126.5, 30.2, W},
    {149.8, 30.2, W},
    {161.4, 30.2, W},
};

constexpr VLineRow kVLines[] = {
    {131.8, 0, 21.4},       // name and address | telephone and postal code
    {30.2, 21.7, 173.0},    // block-title column
    {116.9, 173.3, 184.7},  // employer type | affiliation
    {116.9, 196.6, 208.0},  // bank | account name
};

}  // namespace

ReportDefinition employerSheet1() {
    ReportDefinition report;
    report.name = QStringLiteral("QuickRep1");
    report.title = kSheet1Title;
    report.rowSet = kEmployerRows;
    report.pageHeader = makeBand(QStringLiteral("PageHeaderBand1"), BandKind::PageHeader, 26.2, FrameNone,
                                 kEmployerRows, kHeader);
    Band detail = makeBand(QStringLiteral("DetailBand1"), BandKind::Detail, 220.1, FrameAll, kEmployerRows,
                           kDetail, kHLines, kVLines);
    detail.newPageBeforeEachRow = true;
    report.detail = detail;
    return report;
}

}  // namespace reports::forms
