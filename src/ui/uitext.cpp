#include "ui/uitext.h"

#include "protocol/actionfilenames.h"

#include <QHash>

#include <iterator>

namespace {

struct TextPair
{
    const char16_t *source;
    const char16_t *english;
};

// Keys are compared exactly: double blanks, trailing punctuation and the
// inline markup of the two rich-text entries are part of the key.
const TextPair kTable[] = {
    {u"键盘", u"Keyboard"},
    {u"组合键", u"Shortcuts"},
    {u"多媒体", u"Media"},
    {u"灯光", u"Lighting"},
    {u"鼠标", u"Mouse"},
    {u"延时", u"Delay"},
    {u"调试", u"Debug"},
    {u"延迟", u"Delay"},
    {u"Procreate", u"Procreate"},
    {u"Mac", u"Mac"},
    {u"Windows", u"Windows"},
    {u"还原设置", u"Reset"},
    {u"保存设置", u"Save"},
    {u"键位", u"Key"},
    {u"未连接", u"Not Connected"},
    {u"已连接", u"Connected"},
    {u"请使用数据线连接设备", u"Please connect the device with a data cable"},
    {u"使用有线/2.4G连接  或使用", u"Use USB / 2.4G connection, or use"},
    {u"请确认设备连接正常", u"Please make sure the device is connected properly"},
    {u"没有权限打开设备：请安装 udev 规则 (70-veltranix.rules) 后重新插拔",
     u"No permission to open the knob: install the udev rules (70-veltranix.rules), then replug it"},
    {u"设备正被 %1 使用", u"In use by %1"},
    {u"要将旋钮还原到最初设置吗？", u"Reset the knob to its default settings?"},
    {u"再想想", u"Cancel"},
    {u"确定还原", u"Reset"},
    {u"正在保存", u"Saving"},
    {u"正在写入设备配置", u"Writing device configuration"},
    {u"保存成功", u"Settings saved"},
    {u"保存失败", u"Save failed"},
    {u"写入失败，请重新保存", u"Write failed. Please save again."},
    {u"配置已写入设备", u"Configuration written to device"},
    {u"所有设置已成功保存", u"All settings have been saved"},
    {u"请检查设置，并重新保存", u"Please check your settings and save again"},
    {u"清除选项", u"Clear Selection"},
    {u"已成功清除当前选项", u"Current selection cleared successfully"},
    {u"设备切换", u"Device switched"},
    {u"提示", u"Notice"},
    {u"确定", u"OK"},
    {u"每个实体按键最多绑定18个虚拟按键", u"Each physical key can bind up to 18 virtual keys"},
    {u"连接成功", u"Connection successful"},
    {u"已成功连接当前蓝牙设备", u"Successfully connected to the current Bluetooth device"},
    {u"当前已连接蓝牙设备", u"A Bluetooth device is already connected"},
    {u"连接失败", u"Connection failed"},
    {u"未找到蓝牙连接程序", u"Bluetooth connection program not found"},
    {u"未收到设备配置", u"No configuration received from device"},
    {u"未找到系统已连接的设备，请先在 Windows 蓝牙设置中连接",
     u"No connected device found. Please connect it in Windows Bluetooth settings first."},
    {u"蓝牙连接", u"Bluetooth"},
    {u"连接中...", u"Connecting..."},
    {u"正在扫描蓝牙设备...", u"Scanning for Bluetooth devices..."},
    {u"取消扫描", u"Cancel Scan"},
    {u"重新扫描", u"Rescan"},
    {u"附近蓝牙设备", u"Nearby Bluetooth Devices"},
    {u"未发现设备", u"No devices found"},
    {u"发现的设备", u"Devices Found"},
    {u"设备配置读取完成", u"Configuration loaded"},
    {u"正在读取设备配置...", u"Reading device configuration..."},
    {u"等待设备配置...", u"Waiting for device configuration..."},
    {u"已连接，正在读取设备配置...", u"Connected, reading device configuration..."},
    {u"未找到蓝牙扫描程序", u"Bluetooth scanner not found"},
    {u"蓝牙扫描程序启动失败", u"Failed to start Bluetooth scanner"},
    {u"蓝牙扫描失败", u"Bluetooth scan failed"},
    {u"周围蓝牙设备较多的情况下，可能会导致 <span "
     u"style=\"color:#FFFFFF;font-weight:500;\">【扫描变慢】</span> 或 <span "
     u"style=\"color:#FFFFFF;font-weight:500;\">【扫描失败】</span>",
     u"When many Bluetooth devices are nearby, scanning may become <span "
     u"style=\"color:#FFFFFF;font-weight:500;\">slower</span> or <span "
     u"style=\"color:#FFFFFF;font-weight:500;\">fail</span>"},
    {u"有时候 <span style=\"color:#FFFFFF;font-weight:500;\">「有线/2.4G」</span> 也是一种优雅的选择哦",
     u"Sometimes using a <span style=\"color:#FFFFFF;font-weight:500;\">USB / 2.4G</span> connection is also "
     u"a graceful choice"},
    {u"调试tab已启用", u"Debug tab enabled"},
    {u"调试模式", u"Debug Mode"},
    {u"已退出调试模式", u"Debug mode exited"},
    {u"调试工具 - HID数据发送", u"Debug Tool - HID Data Sender"},
    {u"十六进制数据 (支持空格分隔或连续输入，例如: 03 FA 19 00 01 / 03FA190001):",
     u"Hexadecimal data (space-separated or continuous, e.g. 03 FA 19 00 01 / 03FA190001):"},
    {u"发送数据", u"Send Data"},
    {u"退出调试模式", u"Exit Debug Mode"},
    {u"发送日志:", u"Send Log:"},
    // The console's own lines; without them the page mixes Chinese into an
    // English interface (and shows boxes where no CJK font is installed).
    {u"输入十六进制数据，支持带空格或不带空格...", u"Enter hexadecimal data, with or without spaces..."},
    {u"错误: 输入为空", u"Error: input is empty"},
    {u"发送: %1", u"Sending: %1"},
    {u"发送失败：十六进制格式错误", u"Send failed: invalid hexadecimal format"},
    {u"发送失败：设备未连接", u"Send failed: device not connected"},
    {u"发送失败：正在读取或保存设备配置，请稍后再试",
     u"Send failed: the device configuration is being read or saved, please try again later"},
    {u"发送成功，写入 %1 字节", u"Sent successfully, %1 bytes written"},
    {u"发送失败：错误码 %1", u"Send failed: error code %1"},
    {u"发送失败：写入0字节", u"Send failed: 0 bytes written"},
    {u"已发送，后台等待硬件响应包...", u"Sent, waiting for the device's response reports..."},
    {u"蓝牙连接下无法读取响应包", u"Response reports cannot be read over Bluetooth"},
    {u"响应包 #%1 (%2 字节): %3", u"Response #%1 (%2 bytes): %3"},
    {u"共收到 %1 个响应包", u"Response reports received: %1"},
    {u"未收到响应包", u"No response reports received"},
    {u"读取响应包中止：设备已断开", u"Reading responses stopped: device disconnected"},
    {u"读取响应包失败：%1", u"Failed to read response report: %1"},
    {u"读取响应包时发生未知错误", u"Unknown error while reading response reports"},
    {u"开关", u"Switch Lighting"},
    {u"开启", u"On"},
    {u"关闭", u"Off"},
    {u"开启/关闭", u"On / Off"},
    {u"亮度", u"Brightness"},
    {u"根据喜好调整旋钮明暗变化，可一键设置到最高亮度",
     u"Adjust the knob brightness to your preference, or set it to maximum brightness with one click."},
    {u"一键最高亮度", u"Max Brightness"},
    {u"灯光命令发送失败", u"Failed to send lighting command"},
    // Profiles.
    {u"Profile", u"Profile"},
    {u"Profile: %1", u"Profile: %1"},
    {u"Custom", u"Custom"},
    {u"Profiles", u"Profiles"},
    {u"No profiles yet", u"No profiles yet"},
    {u"Ready-made", u"Ready-made"},
    {u"%1 · ready-made", u"%1 · ready-made"},
    {u"Cannot be read: %1", u"Cannot be read: %1"},
    {u"Load", u"Load"},
    {u"Close", u"Close"},
    {u"Save as profile…", u"Save as profile…"},
    {u"Save as profile", u"Save as profile"},
    {u"Rename…", u"Rename…"},
    {u"Rename profile", u"Rename profile"},
    {u"Delete", u"Delete"},
    {u"Delete profile?", u"Delete profile?"},
    {u"\"%1\" is removed from your profiles.", u"\"%1\" is removed from your profiles."},
    {u"Replace profile?", u"Replace profile?"},
    {u"A profile named \"%1\" exists. Replace it with the window's content?",
     u"A profile named \"%1\" exists. Replace it with the window's content?"},
    {u"Replace", u"Replace"},
    {u"Cancel", u"Cancel"},
    {u"OK", u"OK"},
    {u"Profile name", u"Profile name"},
    {u"Profile loaded", u"Profile loaded"},
    {u"%1: Save writes it to the knob", u"%1: Save writes it to the knob"},
    {u"Profile saved", u"Profile saved"},
    {u"Profile failed", u"Profile failed"},
    // Automatic switching: the panel, the chooser and the tray.
    {u"自动切换", u"Automatic switching"},
    {u"自动切换…", u"Automatic switching…"},
    {u"随前台应用切换配置文件", u"Switch profiles with the application in front"},
    {u"开机启动", u"Start at login"},
    {u"今日写入 %1 次", u"%1 writes today"},
    {u"每日上限 ", u"Daily limit "},
    {u"前台应用检测: %1", u"Watching the application in front through %1."},
    {u"正在询问桌面 (%1)…", u"Asking the desktop (%1)…"},
    {u"此桌面无法自动切换: %1", u"Automatic switching is not available on this desktop: %1"},
    {u"今日写入已达上限 %1 次，自动切换暂停至明天",
     u"The knob took %1 writes today, the daily limit: switching is paused until tomorrow."},
    {u"窗口有未保存的修改，切换等待保存", u"Switching waits while the window holds unsaved edits."},
    {u"切换已暂停", u"Switching is paused."},
    {u"将此配置文件用于…", u"Use this profile for…"},
    {u"最近在前台的应用", u"Recently in front"},
    {u"尚无记录：把要绑定的应用切到前台，再回来",
     u"None yet: bring the application to the front, then come back."},
    {u"还没有配置文件：先保存一个", u"No profiles yet: save one first."},
    {u"配置文件", u"Profile"},
    {u"配置文件列表", u"Profiles"},
    {u"绑定", u"Bind"},
    {u"设为其他应用的默认", u"Default for others"},
    {u"完成", u"Done"},
    {u"取消", u"Cancel"},
    {u"暂停切换", u"Pause switching"},
    {u"打开", u"Open"},
    {u"退出", u"Quit"},
    {u"在后台运行", u"Running in the background"},
    {u"窗口已关闭，配置文件仍随前台应用切换。",
     u"The window is closed; profiles still follow the application in front."},
    {u"没有系统托盘", u"No system tray"},
    {u"此桌面没有系统托盘：窗口最小化后继续切换。",
     u"This desktop has no system tray: the window stays minimised so switching goes on."},
    {u"自动切换已暂停", u"Automatic switching paused"},
};

const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> m;
        m.reserve(int(std::size(kTable)));
        for (const TextPair &p : kTable)
            m.insert(QString::fromUtf16(p.source), QString::fromUtf16(p.english));
        return m;
    }();
    return map;
}

} // namespace

QString uiText(const QString &source)
{
    const auto &map = table();
    const auto it = map.constFind(source);
    // Actions and keys show the names a configuration file gives them.
    return it == map.constEnd() ? actionFileName(source) : it.value();
}
