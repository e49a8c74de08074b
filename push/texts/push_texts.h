#pragma once
// Everything linkcourier-push prints, in one place. Reports and messages are Chinese, as the
// window's are; the words of the report lines that the window also shows are the window's own.
// Reasons given by the system or by a library (a file's error, an XML parser's complaint) are
// quoted as they come.

#include <string>
#include <string_view>

namespace lc::push::texts {

// "SUBJECT: REASON", the one shape of every error message: the subject is a path, an address or
// an option.
inline std::string about(std::string_view subject, std::string_view reason) {
  return std::string(subject).append(": ").append(reason);
}

// The window's report lines.
inline constexpr std::string_view kAccepted = "成功提交：";
inline constexpr std::string_view kAcceptedEnd = "条链接";
inline constexpr std::string_view kRemaining = "剩余额度：";
inline constexpr std::string_view kRemainingEnd = "条";

// Each request and the run.
inline constexpr std::string_view kNotAccepted = "未接受：";
inline constexpr std::string_view kProgressAccepted = " 成功 ";
inline constexpr std::string_view kProgressRemaining = " 剩余额度 ";
inline constexpr std::string_view kPlan =
    "{links} 条链接，分 {requests} 次请求，每次至多 {batch} 条";
inline constexpr std::string_view kPlanTo = "，发往 ";
inline constexpr std::string_view kSummary =
    "共发送：{sent}条，成功：{accepted}条，被拒绝：{refused}条，待推送：{pending}条";
inline constexpr std::string_view kSummaryPushed = "，已推送过：{pushed}条";

// Why a request never had its answer, after the client's own failure text.
inline constexpr std::string_view kRefusedConnection = "连接被拒绝";
inline constexpr std::string_view kTimedOut = "等待超时";
inline constexpr std::string_view kNameNotResolved = "无法解析主机名";
inline constexpr std::string_view kSecureConnectionFailed = "安全连接失败";
inline constexpr std::string_view kCutOff = "连接中断";
inline constexpr std::string_view kNetworkFailed = "网络错误";

// Links left out before the run.
inline constexpr std::string_view kInvalidLink = "无效链接，已跳过：";
inline constexpr std::string_view kOtherSite = "不属于 {site} 的链接，已跳过：";
inline constexpr std::string_view kOtherHostsSkipped =
    "站点 {site} 有 {count} 条链接不属于 {host}，已跳过，例如：{link}";
inline constexpr std::string_view kNothingToPush = "没有可推送的链接";
inline constexpr std::string_view kNothingToInspect =
    "没有要检查的引擎：请在引擎的设置里写 inspect = true，或加 --inspect";

// Options.
inline constexpr std::string_view kBadInterface = "不是可用的 http 或 https 地址";
inline constexpr std::string_view kNoStateWithState = "不能与 --state 同用";
inline constexpr std::string_view kBadSince = "不是 W3C 日期或时间";

inline constexpr std::string_view kNoApiKey = "缺少 API 密钥";
inline constexpr std::string_view kNeedsTheOther = "须与 {other} 一起给出";
inline constexpr std::string_view kNotPercentage = "应为 0 到 100 之间的数";
inline constexpr std::string_view kNotForEngine = "不是引擎 {engine} 的设置";
inline constexpr std::string_view kEngineNeeds = "引擎 {engine} 需要 {setting}";
inline constexpr std::string_view kIndexNowKeyForm =
    "IndexNow 密钥应为 8 到 128 个字母、数字或 '-'";

// The config file: "PATH:LINE: KEY: problem".
inline constexpr std::string_view kConfigUnknownKey = "未知的键";
inline constexpr std::string_view kConfigNotString = "应为非空字符串";
inline constexpr std::string_view kConfigNotStrings = "应为非空字符串的数组";
inline constexpr std::string_view kConfigNotTable = "应为表";
inline constexpr std::string_view kConfigNotBoolean = "应为 true 或 false";
inline constexpr std::string_view kConfigChangedBy = "应为 \"lastmod\" 或 \"content\"";
inline constexpr std::string_view kConfigMissing = "缺少 {key}";
inline constexpr std::string_view kConfigNoSites = "没有站点：请用 [[site]] 给出至少一个";
inline constexpr std::string_view kConfigDuplicateSite = "站点名重复";
inline constexpr std::string_view kConfigNoSource =
    "站点没有来源：请给出 sitemaps、files 或 folder";
inline constexpr std::string_view kConfigNoEngine = "站点没有引擎：请给出 {engines} 中的至少一个";
inline constexpr std::string_view kConfigOneOf = "应给出 {first} 或 {second}，且只给一个";
inline constexpr std::string_view kConfigNoVariable = "环境变量 {name} 未设置或为空";
inline constexpr std::string_view kConfigBatch = "应为 1 到 {most} 之间的整数";
inline constexpr std::string_view kEmptyFile = "文件是空的";
inline constexpr std::string_view kFlushLeft = "，{count} 条仍在等待";
inline constexpr std::string_view kNotServeSeconds = "应为 0 到 86400 之间的秒数";
inline constexpr std::string_view kNotListenAddress =
    "应为“地址:端口”，IPv6 地址加方括号，如 127.0.0.1:8474 或 [::1]:8474";
inline constexpr std::string_view kReadableByOthers =
    "警告：其他用户可以读取此文件；请用 chmod o-r 收紧权限";
inline constexpr std::string_view kUnknownSite = "配置文件里没有这个站点";
inline constexpr std::string_view kUnknownEngine = "配置文件里的站点都没有这个引擎";
inline constexpr std::string_view kConfigExcludes =
    "不能与 --config 同用：来源和引擎由配置文件给出";
inline constexpr std::string_view kEngineWithoutConfig = "只能与 --config 同用";
inline constexpr std::string_view kSiteHeading = "== 站点 {site}，引擎 {engine} ==";
inline constexpr std::string_view kConfigSummary = "== 汇总 ==";
inline constexpr std::string_view kConfigSummaryLine =
    "{site} / {engine}：发送 {sent} 条，成功 {accepted} 条，被拒绝 {refused} 条，待推送 {pending} "
    "条，剩余额度 {quota}，退出码 {exit}";

// serve: its start, and the words of its answers.
inline constexpr std::string_view kServeNeedsTable =
    "没有 [serve] 表：serve 需要它给出调用方的 token（token_file 或 token_env）";
inline constexpr std::string_view kServeSiteWithoutHost =
    "站点 {site} 的 base、站点地图地址和 site_url 都没有给出，无从得知它的链接属于哪个主机："
    "serve 不为它接收链接";
inline constexpr std::string_view kServeNoSite = "配置里没有 serve 能为之接收链接的站点";
inline constexpr std::string_view kServeListening = "正在 {host} 的端口 {port} 接收链接";
inline constexpr std::string_view kServeHandedSocket =
    "正在服务管理器交来的套接字上接收链接（端口 {port}）";
inline constexpr std::string_view kServeReloaded = "已重新读取配置";
inline constexpr std::string_view kServeReloadRefused = "配置有误，继续按原来的配置运行";
inline constexpr std::string_view kServeListenKept = "监听地址的改动要在服务重新启动后才生效";
inline constexpr std::string_view kCannotListen = "无法监听：{words}";
inline constexpr std::string_view kIntakeNotFound =
    "没有这个地址：链接请 POST 到 /v1/links，状态请 GET /v1/status 或 /metrics";
inline constexpr std::string_view kIntakeMethod = "/v1/links 只接受 POST";
inline constexpr std::string_view kStatusMethod = "/v1/status 只接受 GET";
inline constexpr std::string_view kMetricsMethod = "/metrics 只接受 GET";
inline constexpr std::string_view kIntakeBadToken =
    "缺少或不对的 token：请用 Authorization: Bearer TOKEN";
inline constexpr std::string_view kIntakeTooLarge = "请求体超过 {bytes} 字节：请分成几次发送";
inline constexpr std::string_view kIntakeNotJson = "不是 JSON 对象";
inline constexpr std::string_view kIntakeLinksNotTexts = "links 和 removed 应为字符串的数组";
inline constexpr std::string_view kIntakeUnknownField = "未知的字段 {field}";
inline constexpr std::string_view kIntakeNoSite =
    "没有给出站点：JSON 请给出 site，文本请在地址里给出 ?site=NAME";
inline constexpr std::string_view kIntakeNoLinks = "没有链接";
inline constexpr std::string_view kIntakeUnknownSite = "配置文件里没有站点 {site}";
inline constexpr std::string_view kIntakeWrongLinks = "有链接不能收下，一条也没有记下";
inline constexpr std::string_view kIntakeNotALink = "不是 http 或 https 链接";
inline constexpr std::string_view kIntakeOtherHost = "不属于这个站点的主机 {host}";
inline constexpr std::string_view kIntakeNoDeletions =
    "站点 {site} 没有开启 deletions：移除的页面不通告，一条也没有记下";

// Sources.
inline constexpr std::string_view kStandardInput = "标准输入";
inline constexpr std::string_view kUnreadable = "无法读取";
inline constexpr std::string_view kIsDirectory = "是一个目录，不是文件";
// Site folders.
inline constexpr std::string_view kNotAFolder = "不是可读的目录";
inline constexpr std::string_view kBadBase = "不是带主机名的 http 或 https 网址";
inline constexpr std::string_view kLinkOutOfFolder = "指向目录之外的符号链接，已跳过：";
inline constexpr std::string_view kBadIgnoreContent = "不是可用的正则表达式";
inline constexpr std::string_view kIgnoreRanAway = "忽略内容的正则表达式超出匹配限制";
inline constexpr std::string_view kContentChecked =
    "内容检查：取回 {fetched} 个页面，未修改 {not_modified}，内容相同 {same}，新取得或已变 "
    "{changed}，"
    "失败 {failed}，超出预算未取 {over_budget}，用时 {seconds} 秒";
// The system's task scheduler.
inline constexpr std::string_view kNoScheduler =
    "此系统没有任务计划服务可用：请用软件包中的 systemd 定时器（linkcourier-push.timer）或 cron";
inline constexpr std::string_view kSchedulerRefused = "任务计划服务拒绝了请求：{words}";
inline constexpr std::string_view kTaskRegistered =
    "已登记任务“{name}”：每天 {time} 按 {config} 推送";
inline constexpr std::string_view kScheduleNeedsConfig =
    "要登记的任务需要 --config FILE：--daily HH:MM --config FILE，或 --at-logon --config FILE";
inline constexpr std::string_view kServiceTaskRegistered =
    "已登记任务“{name}”：每次登录时按 {config} 启动 serve";
inline constexpr std::string_view kTaskRemoved = "已删除任务“{name}”";
// Deletions.
inline constexpr std::string_view kNoDeletionsAfterFailure =
    "有来源未能完整读取：本次不推断已删除的链接";
inline constexpr std::string_view kTooManyGone =
    "{gone} 条已接受的链接不在本次的来源中（共 {known} 条，超过 {limit}%）：本次不作删除，"
    "确认无误请加 --confirm-deletions";
inline constexpr std::string_view kWouldRemove = "将通知删除：";
inline constexpr std::string_view kRemovalsHeading = "通知删除 {count} 条链接：";
inline constexpr std::string_view kRemovedStillIndexed =
    "{count} 条已通知删除的链接检查时仍被收录，再通知删除一次";
inline constexpr std::string_view kRemovedFromSitemapsOnly =
    "{count} 条链接已删除：此引擎只经站点地图得知网页，只记录下来";
inline constexpr std::string_view kWouldTellBySitemaps =
    "{count} 条链接不经推送，站点地图交给引擎后即算告知";
inline constexpr std::string_view kNoSitemapToTell =
    "此引擎只经站点地图告知，站点却没有网址形式的站点地图：链接留待交出站点地图之后";
inline constexpr std::string_view kToldBySitemaps = "已由站点地图告知";
inline constexpr std::string_view kLinksToldBySitemaps = "{count} 条链接已由站点地图告知引擎";
inline constexpr std::string_view kRemovedUnannounced =
    "{count} 条链接已删除：此引擎没有删除通知，只记录下来";
inline constexpr std::string_view kSitemapTooLarge = "超过站点地图的上限 50 MB（52,428,800 字节）";
inline constexpr std::string_view kTooManySitemaps = "站点地图超过 {count} 个";
inline constexpr std::string_view kNotSitemap = "第 {line} 行：不是站点地图（根元素为 <{root}>）";
inline constexpr std::string_view kLine = "第 {line} 行：";
inline constexpr std::string_view kNotXml = "第 1 行：不是 XML";
inline constexpr std::string_view kDamagedGzip = "gzip 数据损坏或不完整";
inline constexpr std::string_view kNoAnswer = "没有应答";

// The pending file.
inline constexpr std::string_view kPendingUnusable = "待推送文件不可用：";
inline constexpr std::string_view kPendingUnwritten = "无法写入待推送文件：";

// The record.
inline constexpr std::string_view kRecordBusy =
    "另一次运行正在使用此记录（{holder}），本次未发送任何链接";
inline constexpr std::string_view kRecordHolder = "进程 {pid}，主机 {host}，始于 {since}";
inline constexpr std::string_view kRecordLocationUnknown =
    "此版本不认识这种记录位置（应为文件路径或 postgresql:// 地址）";
inline constexpr std::string_view kRecordServerNotBuilt =
    "此版本只把记录存在文件里（SQLite）：数据库服务器上的记录只有 Linux 版才有，state 请写文件路径";
inline constexpr std::string_view kRecordConnectionWords =
    "记录位置像是数据库的连接参数（host=… password=…）：请写成 postgresql:// 地址，"
    "否则它会被当成文件名";
inline constexpr std::string_view kHolderEnded = "另一次运行，已结束";
inline constexpr std::string_view kHolderUnknown = "它经由此记录的另一个名字打开";
inline constexpr std::string_view kMigrationIntoUsed =
    "目标记录已有内容：迁移只搬进空的记录，什么也没有改";
inline constexpr std::string_view kMigrationCountsDiffer =
    "迁移后逐目的地、逐状态的链接数与原记录不一致：什么也没有留下";
inline constexpr std::string_view kMigrated =
    "已迁移到 {to}：{destinations} 个目的地，{links} 条链接，{runs} "
    "次运行；逐目的地、逐状态核对一致";
inline constexpr std::string_view kMigratedLinks = "  {destination}：{state} {count} 条";
// A link's state in the record, by its number there.
inline constexpr std::string_view kLinkStates[] = {"待推送", "已接受", "被拒绝", "已删除",
                                                   "待通告删除"};
inline constexpr std::string_view kHeldElsewhere =
    "另一个运行正在推送这个目的地：先推其余的，最后再回来";
inline constexpr std::string_view kLeaseLost =
    "本次运行久未确认租约，此目的地已由另一次运行接手（{holder}）；本次就此停止，已收到的答复均已"
    "记下";
inline constexpr std::string_view kRecordNotOurs = "不是 linkcourier-push 的记录";
inline constexpr std::string_view kRecordDamaged = "记录已损坏，或不是数据库";
inline constexpr std::string_view kRecordNewer =
    "记录来自更新版本的 linkcourier-push（格式 {found}，本程序只认得 {known}）";
inline constexpr std::string_view kRecordOlder =
    "记录的格式 {found} 早于数据库服务器上最早的记录格式 {known}，无法升级";
inline constexpr std::string_view kRecordEmpty = "记录里还什么也没有：还没有运行用过它";
inline constexpr std::string_view kRecordNotPermitted =
    "数据库用户的权限不够（记录的表要由有 CREATE 权限的用户建立，运行要能读写它们）：";
inline constexpr std::string_view kRecordNoNul = "含有 NUL 字符，记录存不下";
inline constexpr std::string_view kRecordDiskFull = "磁盘已满：记录停在上一次应答之后";
inline constexpr std::string_view kRecordFailed = "无法使用记录：";
inline constexpr std::string_view kNoRecordFound =
    "没有找到记录（查看了 {places}）：请用 --state 指明";
// `status`: a table, its times in the machine's zone.
inline constexpr std::string_view kStatusZone = "时间为本机时间（{zone}）";
inline constexpr std::string_view kStatusColumns[] = {"引擎",     "站点",   "已知",     "已接受",
                                                      "待推送",   "被拒绝", "剩余额度", "额度重置",
                                                      "上次运行", "退出码"};
// Below it, where links are inspected: the accepted ones by what the engine's index holds.
inline constexpr std::string_view kIndexColumns[] = {
    "引擎", "站点", "已收录", "未收录", "未检查", "收录用时中位数", "九成收录用时"};
inline constexpr std::string_view kDays = "{days} 天";

// Answers.
inline constexpr std::string_view kWaitingToRetry = "{status}：{seconds} 秒后再试";
inline constexpr std::string_view kSetbackLeft = "{status}：链接留待下次推送";
inline constexpr std::string_view kWaitTooLong =
    "接口要求等待 {seconds} 秒，超过了 --max-wait：余下的链接留待下次推送";
inline constexpr std::string_view kAskedToWaitTooOften =
    "接口已 {attempts} 次要求等待：余下的链接留待下次推送";
inline constexpr std::string_view kQuotaSpent = "配额已用完：余下的链接留待下次推送";
inline constexpr std::string_view kOverQuotaHalved = "超出配额：下一次请求减为 {count} 条";
inline constexpr std::string_view kQuotaAllowed = "配额只容下 {count} 条链接";
inline constexpr std::string_view kRefused = "接口拒绝了这批链接：";
inline constexpr std::string_view kCountsDisagree =
    "应答的数字对不上（发送 {sent} 条，成功 {accepted} 条，拒绝 {refused} "
    "条）：不知哪些链接被接受，"
    "这批链接留待下次推送";
inline constexpr std::string_view kIndexNowMalformed = "请求有误：接口读不懂这批链接";
inline constexpr std::string_view kIndexNowWrongKey = "密钥无效：接口在密钥文件里找不到这个密钥";
inline constexpr std::string_view kIndexNowOtherHost = "链接不属于该站点，或与密钥不符";
inline constexpr std::string_view kIndexNowTooMany = "请求过多：余下的链接留待下次推送";
inline constexpr std::string_view kBatchRefused = "接口拒绝了这批链接";
// Why links of an answered request were refused or wait, one line a reason.
inline constexpr std::string_view kLinksRefused = "{count} 条链接被拒绝：{reason}";
inline constexpr std::string_view kLinksDeferred = "{count} 条链接留待下次推送：{reason}";
inline constexpr std::string_view kNotSameSite = "不是本站的链接";
inline constexpr std::string_view kNotValidLink = "不合法的链接";
inline constexpr std::string_view kNoAnswerPart = "应答里没有这条链接的部分";
inline constexpr std::string_view kTemporaryFailure = "暂时的失败（{status}）";
inline constexpr std::string_view kBingInvalidKey = "API 密钥无效";
inline constexpr std::string_view kBingThrottled = "请求过于频繁，被限流：余下的链接留待下次推送";
inline constexpr std::string_view kBingInvalidUrl = "链接无效，或不属于该站点";
inline constexpr std::string_view kBingNotAuthorized =
    "无权为该站点提交：请先在该搜索引擎的站长工具里验证站点，再用同一账号的 API 密钥";
inline constexpr std::string_view kBingNoQuota = "读不出配额";
inline constexpr std::string_view kGoogleNotOwner =
    "没有权限：服务账号须是该站点在站长工具里的所有者";
inline constexpr std::string_view kGoogleQuota = "超出当天的配额：余下的链接留待下次推送";
inline constexpr std::string_view kGoogleBadKey = "读不出服务账号的私钥";
inline constexpr std::string_view kGoogleNoToken = "取不到访问令牌：";
inline constexpr std::string_view kGoogleUnauthorized =
    "访问令牌未被接受（已重新取得一次）：请检查服务账号是否仍然有效";
inline constexpr std::string_view kInspectionNoStatus =
    "检查结果里没有索引状态：这条链接留待下次检查";
inline constexpr std::string_view kInspectionQuota = "超出当天的检查配额：余下的链接留待下次检查";
inline constexpr std::string_view kInspectionNotPermitted =
    "没有权限检查：服务账号须是资源 {property} 在站长工具里的用户（该资源不存在时也这样答复）";
inline constexpr std::string_view kInspectionNoProperty = "资源 {property} 不存在";
inline constexpr std::string_view kInspectionNotInProperty =
    "链接不属于资源 {property}：网址前缀资源须与链接的开头一致，网域资源写作 "
    "sc-domain:域名。接口的答复：";
inline constexpr std::string_view kInspectionSummary =
    "检查了 {inspected} 条链接：{indexed} 条已收录，{not_indexed} 条未收录；{waiting} "
    "条留待下次检查";
inline constexpr std::string_view kInspectionThrottled =
    "请求过于频繁，被限流：余下的链接留待下次检查";
inline constexpr std::string_view kPushedAgain =
    "{count} 条链接被接受 {days} 天后仍未收录，再推送一次";
inline constexpr std::string_view kNothingDue = "没有到了检查时候的链接";
inline constexpr std::string_view kInspectionStopped = "检查中断，余下的链接留待下次检查：";
inline constexpr std::string_view kSitemapSubmitted = "站点地图 {sitemap}：已提交";
inline constexpr std::string_view kSitemapRead =
    "站点地图 {sitemap}：上次读取于 {time}，{errors} 个错误，{warnings} 个警告";
inline constexpr std::string_view kSitemapPending = "站点地图 {sitemap}：等待搜索引擎读取";
inline constexpr std::string_view kSitemapRefused = "站点地图 {sitemap}：";
inline constexpr std::string_view kSitemapNotAddress =
    "站点地图 {sitemap} 是本地文件：只有网址能提交给搜索引擎";
inline constexpr std::string_view kSitemapNotPermitted =
    "没有权限：服务账号须是资源 {property} 在站长工具里有完整权限的用户或所有者";
inline constexpr std::string_view kSitemapQuota = "超出站点地图接口的配额：留待下次提交";
inline constexpr std::string_view kGoogleNotAccount =
    "不是服务账号的密钥文件（应有 client_email、private_key 和 token_uri）";
inline constexpr std::string_view kIndexNowNoKeyFile =
    "取不到 IndexNow 密钥文件 {location}：链接不发往 IndexNow，留待下次推送";
inline constexpr std::string_view kIndexNowKeyFileOther =
    "IndexNow 密钥文件 {location} 里不是这个密钥：链接不发往 IndexNow，留待下次推送";

// The report page.
inline constexpr std::string_view kReportTitle = "Linkcourier 推送报告";
inline constexpr std::string_view kReportHeading = "推送报告";
inline constexpr std::string_view kReportPeriod = "截至 {now}，最近 {days} 天（按 UTC 计日）";
inline constexpr std::string_view kReportSummary = "概览";
inline constexpr std::string_view kReportSummaryColumns[] = {
    "站点", "引擎", "30 天接受", "待推送", "30 天拒绝", "上次运行（UTC）", "结果", "状况"};
inline constexpr std::string_view kReportFigures =
    "已知 {known} · 已接受 {accepted} · 待推送 {waiting} · 被拒绝 {refused}";
inline constexpr std::string_view kReportAcceptedDaily = "每天接受的链接";
inline constexpr std::string_view kReportWaitingDaily = "待推送的链接（每天结束时）";
inline constexpr std::string_view kReportIndexedShare = "已收录的比例（%，每天结束时）";
inline constexpr std::string_view kReportDaysToIndex = "收录用时（天）";
inline constexpr std::string_view kReportDaysTaken = "{days} 天";
inline constexpr std::string_view kReportDaysTakenOrMore = "{days} 天以上";
inline constexpr std::string_view kReportQuota = "配额（{day}）：已用 {used} / {given}";
inline constexpr std::string_view kReportRefusals = "拒绝原因（30 天）";
inline constexpr std::string_view kReportMoreReasons = "另有 {count} 种原因，共 {links} 条";
inline constexpr std::string_view kReportRuns = "运行";
inline constexpr std::string_view kReportRunOk = "成功";
inline constexpr std::string_view kReportRunAttention = "需要处理";
inline constexpr std::string_view kReportRunFailed = "出错";
inline constexpr std::string_view kReportRunMissed = "未运行";
inline constexpr std::string_view kReportRunNone = "尚无运行";
// Each destination's health, by its last run.
inline constexpr std::string_view kHealthGood = "正常";
inline constexpr std::string_view kHealthAttention = "需要处理";
inline constexpr std::string_view kHealthFailing = "出错";
inline constexpr std::string_view kHealthLate = "超过一天未运行";
inline constexpr std::string_view kHealthNotRun = "尚未运行";
// A run's outcome, by its exit code.
inline constexpr std::string_view kOutcomeSucceeded = "成功";
inline constexpr std::string_view kOutcomeNeedsAttention = "需要处理";
inline constexpr std::string_view kOutcomeUnreachable = "接口无法访问";
inline constexpr std::string_view kOutcomeThrottled = "引擎要求等待";
inline constexpr std::string_view kOutcomeFailed = "出错（退出码 {code}）";
inline constexpr std::string_view kOutcomeUnfinished = "未结束";

// Replaces each "{name}" in `pattern` by its value, in the order given.
std::string filled(std::string_view pattern,
                   std::initializer_list<std::pair<std::string_view, std::string>> values);

}  // namespace lc::push::texts
