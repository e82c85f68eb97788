#!/usr/bin/env python3
"""Writes src/text/Texts.h: every fixed text of Quorvel as GBK bytes beside its readable form.

Add a text by appending a line to TEXTS and running this script; never edit Texts.h by hand.
"""
import pathlib

CR = "\r\n"
TEXTS = [
    # --- table files and fields ---
    ("WatchedTable", "监控宝贝"),
    ("StockTable", "库存卡密"),
    ("DeliveredTable", "已发卡密"),
    ("SettingsTable", "配置"),
    ("TableFileSuffix", ".edb"),
    ("FieldItemName", "宝贝名称"),
    ("FieldItemNote", "宝贝备注"),
    ("FieldPurchaseLimit", "限拍件数"),
    ("FieldNeedsCards", "是否需要卡密信息"),
    ("FieldCardNumber", "宝贝卡号"),
    ("FieldCardPassword", "宝贝卡密"),
    ("FieldOrderNumber", "订单编号"),
    ("FieldBuyerNick", "买家旺旺"),
    ("FieldQuantity", "购买数量"),
    ("FieldSentCardNumber", "已发卡号"),
    ("FieldSentCardPassword", "已发卡密"),
    ("FieldSentRemark", "已发备注"),
    ("FieldDeliveredAt", "发货时间"),
    ("FieldSettingName", "配置名"),
    ("FieldSettingValue", "配置数据"),
    ("SettingImClientPath", "阿里旺旺核心文件路径"),
    # --- stored forms ---
    ("True", "真"),
    ("False", "假"),
    ("Yes", "是"),
    ("Year", "年"),
    ("Month", "月"),
    ("Day", "日"),
    ("Hour", "时"),
    ("Minute", "分"),
    ("Second", "秒"),
    ("MissingPassword", "0"),
    # --- start-up, notice and update check ---
    ("NoticeTitle", "软件通知"),
    ("UpdateTitle", "更新提示"),
    ("UpdatePromptHead", "检测到软件有更新！是否获取 Quorvel "),
    ("UpdatePromptMiddle", " 版本？" + CR + CR + "更新内容：" + CR),
    ("DeclinedTitle", "提示"),
    ("DeclinedText", "您选择了不更新，当前版本可能会出现未知错误或不稳定的情况，建议您尽快更新新版本！"),
    ("CheckedVersion", "1.0.0.1008"),
    ("CaptionVersion", "1.0.0.1009 (Build 2012-12-22 Release)"),
    ("CaptionVersionMarker", "{版本号}"),
    ("UpdateTipPath", "/svn/trunk/tip.txt"),
    ("UpdateVersionPath", "/svn/trunk/version.txt"),
    ("UpdateNotesPath", "/svn/trunk/updatetip.txt"),
    ("UpdateAddressPath", "/svn/trunk/upaddr.txt"),
    ("MakerPageUrl", "https://quorvel.net/"),
    # --- IM client ---
    ("ImMissingText", "您如果需要使用自动发货功能，请先安装 阿里旺旺(卖家版)"),
    ("ErrorTitle", "错误"),
    ("ImRegistryKey", "aliim\\Shell\\Open\\Command"),
    ("ImDownloadUrl", "https://wangwang.taobao.com/"),
    ("ChatUrlHead", " aliim:sendmsg?uid=cntaobao"),
    ("ChatUrlTo", "&touid=cntaobao"),
    ("ChatWindowClass", "StandardFrame"),
    ("ChatTitleJoin", " - "),
    ("SellerNickStart", "亲爱的<b>"),
    ("SellerNickEnd", "</b>"),
    # --- delivery text ---
    ("DeliveryHead", "您购买的 "),
    ("DeliveryHeadTail", " 卡号信息如下" + CR + CR),
    ("DeliveryCardNumber", "卡号："),
    ("DeliveryCardPassword", " 卡密："),
    ("DeliveryClosing", CR + CR + "请尽快确认收货：奖励掌柜贱笑问候一枚！"),
    ("LineBreak", CR),
    # --- order page ---
    ("MdashEntity", "&mdash;"),
    ("EmDash", "—"),
    ("TitlePattern", '<a style="line-height:16px;" target="_blank" title="(.*?)"'),
    ("UnitPricePattern", '<li class="total">' + CR + " " * 16 + "\t" * 4 + " " * 4 + "\t"
     + "(.*?)× .*?" + CR + " " * 16 + "\t" * 4 + " " * 4 + "</li>"),
    ("TradeStatusPattern", '<strong class="J_TradeStatus status .*?">(.*?)</strong>'),
    ("BuyerNickPattern", '<span class="ww ww:token" ww:params="nick=(.*?)&amp;'),
    ("OrderNumberPattern", '<span class="order-number">订单编号：(.*?)</span>'),
    ("QuantityPattern", '<li class="total">' + CR + " " * 16 + "\t" * 4 + " " * 4 + "\t"
     + ".*?× (.*?)" + CR + " " * 16 + "\t" * 4 + " " * 4 + "</li>"),
    ("OrderIdPattern", "order_id=(.*?)&"),
    # --- marketplace paths and form ---
    ("OrderListPath", "/user/order_list_new.htm"),
    ("BaseInfoPath", "/user/baseInfoSet.htm"),
    ("ConsignPathHead", "/user/consign_dummy.htm?trade_id="),
    ("ConsignOrderId", "&order_id="),
    ("ConsignBody", "source=&callUrl=&action=user%2Fconsign_action&event_submit_do_dummy=anything"
     "&_fmw.n._0.g=%C4%FA%BF%C9%D2%D4%D4%DA%B4%CB%CA%E4%C8%EB%B1%B8%CD%FC%D0%C5%CF%A2%A3%A8"
     "%BD%F6%C2%F4%BC%D2%D7%D4%BC%BA%BF%C9%BC%FB%A3%A9%A1%A3"),
    ("ConsignMemo", "您可以在此输入备忘信息（仅卖家自己可见）。"),
    ("LoginMarkerQuick", "quicklogin"),
    ("LoginMarkerMyTaobao", "my_taobao"),
    # --- HTTP engine ---
    ("UserAgent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"),
    ("AcceptProbe", "Accept: "),
    ("AcceptLine", "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
     "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
     "application/msword, */*" + CR),
    ("RefererProbe", "Referer: "),
    ("AcceptLanguageProbe", "Accept-Language: "),
    ("AcceptLanguageLine", "Accept-Language: zh-cn" + CR),
    ("ContentTypeProbe", "Content-Type: "),
    ("ContentTypeLine", "Content-Type: application/x-www-form-urlencoded" + CR),
    ("ContentLengthProbe", "Content-Length:"),
    ("CookieLineHead", "Cookie: "),
    ("SetCookieMarker", "Set-Cookie:"),
    ("SetCookieLineMarker", "Set-Cookie"),
    # --- the window: header band and tabs ---
    ("ProductTitle", "Quorvel"),
    ("StatusRunTime", "运行时间："),
    ("StatusRunTimeValue", "00:00:00"),
    ("StatusDelivered", "成功发货："),
    ("StatusDeliveredValue", "0 件"),
    ("StatusTurnover", "交易金额："),
    ("StatusTurnoverValue", "0 元"),
    ("TabLogin", "登陆淘宝帐号(支持旺旺在线一键登录)"),
    ("TabLoggedIn", "店铺发货设置"),
    ("TabDelivered", "已发卡密"),
    ("TabStock", "卡密管理"),
    ("TabHelp", "软件帮助"),
    # --- page 0 ---
    ("NameNotice", "★ 注意：添加到列表的商品名称必须与您店铺中的商品名称完全一致，否则将不能正常发货"),
    ("NameLabel", "商品名称："),
    ("NameHint", " → 在此处输入需要添加监视的商品名称"),
    ("AddToListButton", "添加到列表"),
    ("WatchColumnName", "自动发货商品名称(勾选后将自动发货)"),
    ("WatchColumnState", "监视状态"),
    ("RenameButton", "更改名称"),
    ("DeleteItemButton", "删除商品"),
    ("WelcomeLabel", " ★ 欢迎各位卖家一起完善,能让它帮助更多的淘宝新手卖家"),
    ("ItemPanelHeader", " 宝贝属性设置"),
    ("ItemPanelLabels", "宝贝备注：" + CR + CR + CR + "限拍数量：" + CR + CR + CR + "需要卡密："),
    ("DeliveryPanelHeader", " 自动发货设置"),
    ("IntervalLabel", "订单扫描间隔(秒)："),
    ("AutoDeliveryCheck", "开启自动发货"),
    ("StatusGroup", "状态"),
    ("DeliveryOff", "未开启自动发货功能"),
    ("DeliveryOnHead", "自动发货扫描时间："),
    ("DeliveryOnTail", " 秒"),
    ("ApplyButton", "设置"),
    ("WithCards", "在线卡密"),
    ("WithoutCards", "无需卡密"),
    ("DuplicateItemText", "宝贝已存在监控列表！"),
    ("FailedTitle", "失败"),
    ("RenameFailedText", "修改宝贝信息出错！未知原因！"),
    ("RenamePromptTail", " - 请输入新的宝贝名称"),
    ("RenameTitle", "宝贝名称修改"),
    # --- page 2 ---
    ("ChooserLabel", "发货宝贝："),
    ("EntryPanelHeader", " 卡密入库设置"),
    ("CardHint", " → 在此处输入需要添加入库的卡密以及卡号" + CR + "格式：" + CR + "卡密 卡号" + CR
     + "卡密1 卡号1" + CR + "卡密2 卡密2" + CR + "注：就算没有卡密，也要填0"),
    ("AddStockButton", "增加入库"),
    ("StockPanelHeader", " 库存卡密管理"),
    ("StockColumnNumber", "卡号"),
    ("StockColumnPassword", "卡密"),
    ("StockColumnId", "Sqlid"),
    ("DeleteStockButton", "删除库存"),
    ("EditNumberButton", "修改卡号"),
    ("EditPasswordButton", "修改卡密"),
]


def c_literal(data: bytes) -> str:
    out = []
    prev_hex = False
    for b in data:
        ch = chr(b)
        if b < 0x20 or b >= 0x7F or ch in '"\\?':
            if ch == '"' or ch == "\\":
                out.append("\\" + ch)
                prev_hex = False
                continue
            if ch == "?":
                out.append("\\?")
                prev_hex = False
                continue
            out.append("\\x%02X" % b)
            prev_hex = True
        else:
            if prev_hex and ch in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(ch)
            prev_hex = False
    return '"' + "".join(out) + '"'


def readable_literal(text: str) -> str:
    """The UTF-8 form as it reads, only control characters, quotes and backslashes escaped."""
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ch == "\r":
            out.append("\\r")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "?":
            out.append("\\?")
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


def main() -> None:
    root = pathlib.Path(__file__).resolve().parent.parent
    lines = [
        "// Generated by scripts/gen-texts.py: every fixed text of Quorvel, GBK bytes beside the",
        "// readable UTF-8 form. Edit the script, not this file.",
        "#pragma once",
        "",
        "#include <string_view>",
        "",
        "namespace quorvel::text {",
        "",
        "struct FixedText {",
        "    std::string_view gbk;  // the bytes the system stores, sends and compares",
        "    std::string_view utf8; // the same text, readable",
        "    constexpr operator std::string_view() const { return gbk; }",
        "};",
        "",
    ]
    names = set()
    for name, text in TEXTS:
        assert name not in names, name
        names.add(name)
        gbk = text.encode("gbk")
        lines.append(f"inline constexpr FixedText k{name}{{{c_literal(gbk)},")
        lines.append(f"    {readable_literal(text)}}};")
    lines += ["", "// Every text above, for the test that checks the bytes against a conversion.",
              "inline constexpr FixedText kAllFixedTexts[] = {"]
    lines += [f"    k{name}," for name, _ in TEXTS]
    lines += ["};", "", "} // namespace quorvel::text", ""]
    (root / "src/text/Texts.h").write_text("\n".join(lines), encoding="utf-8")


if __name__ == "__main__":
    main()
