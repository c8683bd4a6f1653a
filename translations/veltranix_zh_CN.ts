<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Action</name>
    <message>
        <source>Previous Track</source>
        <translation>上一曲</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Next Track</source>
        <translation>下一曲</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>播放/暂停</translation>
    </message>
    <message>
        <source>Brightness -</source>
        <translation>屏幕亮度-</translation>
    </message>
    <message>
        <source>Brightness +</source>
        <translation>屏幕亮度+</translation>
    </message>
    <message>
        <source>My Computer</source>
        <translation>我的电脑</translation>
    </message>
    <message>
        <source>Volume -</source>
        <translation>音量-</translation>
    </message>
    <message>
        <source>Volume +</source>
        <translation>音量+</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Media Player</source>
        <translation>打开媒体</translation>
    </message>
    <message>
        <source>Calculator</source>
        <translation>打开计算器</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>打开浏览器</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>打开邮箱</translation>
    </message>
    <message>
        <source>Treble -</source>
        <translation>高音-</translation>
    </message>
    <message>
        <source>Treble +</source>
        <translation>高音+</translation>
    </message>
    <message>
        <source>Bass -</source>
        <translation>低音-</translation>
    </message>
    <message>
        <source>Bass +</source>
        <translation>低音+</translation>
    </message>
    <message>
        <source>Refresh Page</source>
        <translation>网页刷新</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>网页前进</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>网页后退</translation>
    </message>
    <message>
        <source>Left Click</source>
        <translation>鼠标左键</translation>
    </message>
    <message>
        <source>Middle Click</source>
        <translation>鼠标中键</translation>
    </message>
    <message>
        <source>Right Click</source>
        <translation>鼠标右键</translation>
    </message>
    <message>
        <source>Like</source>
        <translation>点赞</translation>
    </message>
    <message>
        <source>Scroll Up</source>
        <translation>鼠标滚轮+</translation>
    </message>
    <message>
        <source>Scroll Down</source>
        <translation>鼠标滚轮-</translation>
    </message>
    <message>
        <source>Swipe Left</source>
        <translation>向左划屏</translation>
    </message>
    <message>
        <source>Ctrl + Scroll Up</source>
        <translation>Ctrl+鼠标向上</translation>
    </message>
    <message>
        <source>Ctrl + Scroll Down</source>
        <translation>Ctrl+鼠标向下</translation>
    </message>
    <message>
        <source>Swipe Right</source>
        <translation>向右划屏</translation>
    </message>
    <message>
        <source>Shift + Scroll Up</source>
        <translation>shift+鼠标向上</translation>
    </message>
    <message>
        <source>Shift + Scroll Down</source>
        <translation>shift+鼠标向下</translation>
    </message>
    <message>
        <source>Swipe Up</source>
        <translation>向上划屏</translation>
    </message>
    <message>
        <source>Alt + Scroll Up</source>
        <translation>Alt+鼠标向上</translation>
    </message>
    <message>
        <source>Alt + Scroll Down</source>
        <translation>Alt+鼠标向下</translation>
    </message>
    <message>
        <source>Swipe Down</source>
        <translation>向下划屏</translation>
    </message>
    <message>
        <source>QuickMenu</source>
        <translation>速选菜单</translation>
    </message>
    <message>
        <source>Command Mode</source>
        <translation>调试命令</translation>
    </message>
    <message>
        <source>Paint Tool</source>
        <translation>激活绘画工具</translation>
    </message>
    <message>
        <source>Color Panel</source>
        <translation>打开色彩面板</translation>
    </message>
    <message>
        <source>Eraser</source>
        <translation>激活擦除工具</translation>
    </message>
    <message>
        <source>Layers Panel</source>
        <translation>打开图层列表</translation>
    </message>
    <message>
        <source>Selection Mode</source>
        <translation>进入选取模式</translation>
    </message>
    <message>
        <source>Transform Mode</source>
        <translation>进入变形模式</translation>
    </message>
    <message>
        <source>Switch Color</source>
        <translation>先前和当前颜色切换</translation>
    </message>
    <message>
        <source>Eyedropper M (iOS 17)</source>
        <translation>吸色M(iOS17)</translation>
    </message>
    <message>
        <source>Clear Selected Layer</source>
        <translation>清除所选图层</translation>
    </message>
    <message>
        <source>Toggle Full Screen</source>
        <translation>开/关全屏模式</translation>
    </message>
    <message>
        <source>Toggle Perspective Guide</source>
        <translation>开/关透视指引</translation>
    </message>
    <message>
        <source>Decrease Brush Size 1%</source>
        <translation>画笔缩小1%</translation>
    </message>
    <message>
        <source>Increase Brush Size 1%</source>
        <translation>画笔放大1%</translation>
    </message>
    <message>
        <source>Decrease Brush Size 5%</source>
        <translation>画笔缩小5%</translation>
    </message>
    <message>
        <source>Increase Brush Size 5%</source>
        <translation>画笔放大5%</translation>
    </message>
    <message>
        <source>Decrease Brush Size 10%</source>
        <translation>画笔缩小10%</translation>
    </message>
    <message>
        <source>Increase Brush Size 10%</source>
        <translation>画笔放大10%</translation>
    </message>
    <message>
        <source>Copy All</source>
        <translation>全部拷贝</translation>
    </message>
    <message>
        <source>Color Balance Adjustment</source>
        <translation>输入颜色平衡调整</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>拷贝</translation>
    </message>
    <message>
        <source>Clear Selection</source>
        <translation>清除选区</translation>
    </message>
    <message>
        <source>Duplicate Selection</source>
        <translation>复制选区</translation>
    </message>
    <message>
        <source>Actions Menu</source>
        <translation>打开操作菜单</translation>
    </message>
    <message>
        <source>HSB Color</source>
        <translation>输入HSB颜色</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>粘贴</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>剪切</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
</context>
<context>
    <name>AutoSwitchPanel</name>
    <message>
        <source>Automatic switching</source>
        <translation>自动切换</translation>
    </message>
    <message>
        <source>Switch profiles with the application in front</source>
        <translation>随前台应用切换配置文件</translation>
    </message>
    <message>
        <source>Daily limit </source>
        <translation>每日上限 </translation>
    </message>
    <message>
        <source>Start at login</source>
        <translation>开机启动</translation>
    </message>
    <message>
        <source>Use this profile for…</source>
        <translation>将此配置文件用于…</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Automatic switching is not available on this desktop: %1</source>
        <translation>此桌面无法自动切换: %1</translation>
    </message>
    <message>
        <source>Asking the desktop (%1)…</source>
        <translation>正在询问桌面 (%1)…</translation>
    </message>
    <message>
        <source>Watching the application in front through %1.</source>
        <translation>前台应用检测: %1</translation>
    </message>
    <message>
        <source>%1 writes today</source>
        <translation>今日写入 %1 次</translation>
    </message>
    <message>
        <source>The knob took %1 writes today, the daily limit: switching is paused until tomorrow.</source>
        <translation>今日写入已达上限 %1 次，自动切换暂停至明天</translation>
    </message>
    <message>
        <source>Switching waits while the window holds unsaved edits.</source>
        <translation>窗口有未保存的修改，切换等待保存</translation>
    </message>
    <message>
        <source>Switching is paused.</source>
        <translation>切换已暂停</translation>
    </message>
</context>
<context>
    <name>BackgroundTray</name>
    <message>
        <source>Profiles</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <source>Pause switching</source>
        <translation>暂停切换</translation>
    </message>
    <message>
        <source>Automatic switching…</source>
        <translation>自动切换…</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
</context>
<context>
    <name>ConfigFileTransfer</name>
    <message>
        <source>Export configuration</source>
        <translation>导出配置</translation>
    </message>
    <message>
        <source>Export failed</source>
        <translation>导出失败</translation>
    </message>
    <message>
        <source>Exported</source>
        <translation>已导出</translation>
    </message>
    <message>
        <source>Import configuration</source>
        <translation>导入配置</translation>
    </message>
    <message>
        <source>Import failed</source>
        <translation>导入失败</translation>
    </message>
    <message>
        <source>Imported</source>
        <translation>已导入</translation>
    </message>
    <message>
        <source>Save writes it to the knob</source>
        <translation>点击保存后写入旋钮</translation>
    </message>
    <message>
        <source>Knob configuration (*.json);;All files (*)</source>
        <translation>旋钮配置 (*.json);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>ConfiguratorService</name>
    <message>
        <source>Configuration written by %1</source>
        <translation>%1 已写入配置</translation>
    </message>
    <message>
        <source>Profile %1 written by %2</source>
        <translation>%2 已写入配置文件 %1</translation>
    </message>
    <message>
        <source>Light set by %1</source>
        <translation>%1 已设置灯光</translation>
    </message>
</context>
<context>
    <name>DebugWidget</name>
    <message>
        <source>Debug Tool - HID Data Sender</source>
        <translation>调试工具 - HID数据发送</translation>
    </message>
    <message>
        <source>Hexadecimal data (space-separated or continuous, e.g. 03 FA 19 00 01 / 03FA190001):</source>
        <translation>十六进制数据 (支持空格分隔或连续输入，例如: 03 FA 19 00 01 / 03FA190001):</translation>
    </message>
    <message>
        <source>Enter hexadecimal data, with or without spaces...</source>
        <translation>输入十六进制数据，支持带空格或不带空格...</translation>
    </message>
    <message>
        <source>Send Data</source>
        <translation>发送数据</translation>
    </message>
    <message>
        <source>Exit Debug Mode</source>
        <translation>退出调试模式</translation>
    </message>
    <message>
        <source>Send Log:</source>
        <translation>发送日志:</translation>
    </message>
    <message>
        <source>Error: input is empty</source>
        <translation>错误: 输入为空</translation>
    </message>
    <message>
        <source>Sending: %1</source>
        <translation>发送: %1</translation>
    </message>
    <message>
        <source>Send failed: invalid hexadecimal format</source>
        <translation>发送失败：十六进制格式错误</translation>
    </message>
    <message>
        <source>Send failed: device not connected</source>
        <translation>发送失败：设备未连接</translation>
    </message>
    <message>
        <source>Send failed: the device configuration is being read or saved, please try again later</source>
        <translation>发送失败：正在读取或保存设备配置，请稍后再试</translation>
    </message>
    <message>
        <source>Sent successfully, %1 bytes written</source>
        <translation>发送成功，写入 %1 字节</translation>
    </message>
    <message>
        <source>Send failed: error code %1</source>
        <translation>发送失败：错误码 %1</translation>
    </message>
    <message>
        <source>Send failed: 0 bytes written</source>
        <translation>发送失败：写入0字节</translation>
    </message>
    <message>
        <source>Sent, waiting for the device&apos;s response reports...</source>
        <translation>已发送，后台等待硬件响应包...</translation>
    </message>
    <message>
        <source>Response reports cannot be read over Bluetooth</source>
        <translation>蓝牙连接下无法读取响应包</translation>
    </message>
    <message>
        <source>Response #%1 (%2 bytes): %3</source>
        <translation>响应包 #%1 (%2 字节): %3</translation>
    </message>
    <message>
        <source>Response reports received: %1</source>
        <translation>共收到 %1 个响应包</translation>
    </message>
    <message>
        <source>No response reports received</source>
        <translation>未收到响应包</translation>
    </message>
    <message>
        <source>Reading responses stopped: device disconnected</source>
        <translation>读取响应包中止：设备已断开</translation>
    </message>
    <message>
        <source>Unknown error while reading response reports</source>
        <translation>读取响应包时发生未知错误</translation>
    </message>
    <message>
        <source>Failed to read response report: %1</source>
        <translation>读取响应包失败：%1</translation>
    </message>
</context>
<context>
    <name>DelayWidget</name>
    <message>
        <source>Key</source>
        <translation>键位</translation>
    </message>
    <message>
        <source>Shorter delay</source>
        <translation>缩短延时</translation>
    </message>
    <message>
        <source>Longer delay</source>
        <translation>延长延时</translation>
    </message>
    <message>
        <source>Delay before action %1, ms</source>
        <translation>动作 %1 之前的延时（毫秒）</translation>
    </message>
</context>
<context>
    <name>Gesture</name>
    <message>
        <source>turn left</source>
        <translation>向左旋转</translation>
    </message>
    <message>
        <source>turn right</source>
        <translation>向右旋转</translation>
    </message>
    <message>
        <source>press and turn left</source>
        <translation>按下并向左旋转</translation>
    </message>
    <message>
        <source>press and turn right</source>
        <translation>按下并向右旋转</translation>
    </message>
    <message>
        <source>press</source>
        <translation>按下</translation>
    </message>
</context>
<context>
    <name>HeaderBar</name>
    <message>
        <source>Reset</source>
        <translation>还原设置</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存设置</translation>
    </message>
</context>
<context>
    <name>KnobArea</name>
    <message>
        <source>Clear %1</source>
        <translation>清除%1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>空</translation>
    </message>
</context>
<context>
    <name>KnobSync</name>
    <message>
        <source>the knob with serial %1</source>
        <translation>序列号为 %1 的旋钮</translation>
    </message>
    <message>
        <source>the knob with Bluetooth address %1</source>
        <translation>蓝牙地址为 %1 的旋钮</translation>
    </message>
    <message>
        <source>the demo knob</source>
        <translation>演示旋钮</translation>
    </message>
    <message>
        <source>the knob at %1</source>
        <translation>位于 %1 的旋钮</translation>
    </message>
    <message>
        <source>Failed to send lighting command</source>
        <translation>灯光命令发送失败</translation>
    </message>
    <message>
        <source>Please make sure the device is connected properly</source>
        <translation>请确认设备连接正常</translation>
    </message>
    <message>
        <source>Connection successful</source>
        <translation>连接成功</translation>
    </message>
    <message>
        <source>Successfully connected to the current Bluetooth device</source>
        <translation>已成功连接当前蓝牙设备</translation>
    </message>
    <message>
        <source>Connection failed</source>
        <translation>连接失败</translation>
    </message>
    <message>
        <source>Device switched</source>
        <translation>设备切换</translation>
    </message>
    <message>
        <source>Switched to %1</source>
        <translation>已切换至 %1</translation>
    </message>
    <message>
        <source>Bluetooth</source>
        <translation>蓝牙连接</translation>
    </message>
    <message>
        <source>Low battery</source>
        <translation>电量不足</translation>
    </message>
    <message>
        <source>The knob&apos;s battery is at %1 %: charge it soon</source>
        <translation>旋钮电量为 %1 %，请尽快充电</translation>
    </message>
    <message>
        <source>a knob that could not be told apart</source>
        <translation>一个无法识别的旋钮</translation>
    </message>
    <message>
        <source>Edits for another knob</source>
        <translation>另一个旋钮的修改</translation>
    </message>
    <message>
        <source>You have unsaved edits made for %1; the knob connected now is %2. Put those edits on this knob?</source>
        <translation>你有为%1所做、尚未保存的修改；当前连接的是%2。要把这些修改用在这个旋钮上吗？</translation>
    </message>
    <message>
        <source>not known</source>
        <translation>未知旋钮</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>暂不</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>放弃修改</translation>
    </message>
    <message>
        <source>Use on this knob</source>
        <translation>用于此旋钮</translation>
    </message>
    <message>
        <source>The window shows the knob&apos;s light now</source>
        <translation>窗口现在显示旋钮的灯光</translation>
    </message>
    <message>
        <source>The window shows what the knob holds now</source>
        <translation>窗口现在显示旋钮中的配置</translation>
    </message>
</context>
<context>
    <name>LightWidget</name>
    <message>
        <source>Switch Lighting</source>
        <translation>开关</translation>
    </message>
    <message>
        <source>RGB lighting consumes more power. For the best experience, use it in wired mode.</source>
        <translation>RGB 灯光耗电较多，建议在有线模式下使用以获得最佳体验。</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Adjust the knob brightness to your preference, or set it to maximum brightness with one click.</source>
        <translation>根据喜好调整旋钮明暗变化，可一键设置到最高亮度</translation>
    </message>
    <message>
        <source>Max Brightness</source>
        <translation>一键最高亮度</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>颜色</translation>
    </message>
</context>
<context>
    <name>MacroGUI</name>
    <message>
        <source>Saving</source>
        <translation>正在保存</translation>
    </message>
    <message>
        <source>The window closes when the save to the knob is done.</source>
        <translation>保存到旋钮完成后窗口将关闭。</translation>
    </message>
    <message>
        <source>Running in the background</source>
        <translation>在后台运行</translation>
    </message>
    <message>
        <source>The window is closed; profiles still follow the application in front.</source>
        <translation>窗口已关闭，配置文件仍随前台应用切换。</translation>
    </message>
    <message>
        <source>No system tray</source>
        <translation>没有系统托盘</translation>
    </message>
    <message>
        <source>This desktop has no system tray: the window stays minimised so switching goes on.</source>
        <translation>此桌面没有系统托盘：窗口最小化后继续切换。</translation>
    </message>
    <message>
        <source>The knob took %1 writes today, the daily limit: switching is paused until tomorrow.</source>
        <translation>今日写入已达上限 %1 次，自动切换暂停至明天</translation>
    </message>
    <message>
        <source>Automatic switching paused</source>
        <translation>自动切换已暂停</translation>
    </message>
    <message>
        <source>Use this profile for…</source>
        <translation>将此配置文件用于…</translation>
    </message>
    <message>
        <source>Automatic switching…</source>
        <translation>自动切换…</translation>
    </message>
</context>
<context>
    <name>ProfileButton</name>
    <message>
        <source>Custom</source>
        <translation>自定义</translation>
    </message>
    <message>
        <source>Profile: %1</source>
        <translation>配置文件: %1</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>配置文件</translation>
    </message>
</context>
<context>
    <name>ProfileNameOverlay</name>
    <message>
        <source>Profile name</source>
        <translation>配置文件名称</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>ProfileOverlay</name>
    <message>
        <source>Profiles</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <source>Save as profile…</source>
        <translation>另存为配置文件…</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>重命名…</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>载入</translation>
    </message>
    <message>
        <source>Cannot be read: %1</source>
        <translation>无法读取: %1</translation>
    </message>
    <message>
        <source>Ready-made</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>%1 · ready-made</source>
        <translation>%1 · 预设</translation>
    </message>
    <message>
        <source>No profiles yet</source>
        <translation>还没有配置文件</translation>
    </message>
    <message>
        <source>Profile loaded</source>
        <translation>已载入配置文件</translation>
    </message>
    <message>
        <source>%1: Save writes it to the knob</source>
        <translation>%1: 保存后写入旋钮</translation>
    </message>
    <message>
        <source>Save as profile</source>
        <translation>另存为配置文件</translation>
    </message>
    <message>
        <source>Profile saved</source>
        <translation>配置文件已保存</translation>
    </message>
    <message>
        <source>Replace profile?</source>
        <translation>替换配置文件？</translation>
    </message>
    <message>
        <source>A profile named &quot;%1&quot; exists. Replace it with the window&apos;s content?</source>
        <translation>已有名为“%1”的配置文件。要用窗口中的内容替换它吗？</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>替换</translation>
    </message>
    <message>
        <source>Rename profile</source>
        <translation>重命名配置文件</translation>
    </message>
    <message>
        <source>Delete profile?</source>
        <translation>删除配置文件？</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is removed from your profiles.</source>
        <translation>“%1”将从你的配置文件中删除。</translation>
    </message>
    <message>
        <source>Profile failed</source>
        <translation>配置文件操作失败</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>Reported</name>
    <message>
        <source>No configuration received from device</source>
        <translation>未收到设备配置</translation>
    </message>
    <message>
        <source>Bluetooth connection program not found</source>
        <translation>未找到蓝牙连接程序</translation>
    </message>
    <message>
        <source>No permission to open the knob: install the udev rules (70-veltranix.rules), then replug it</source>
        <translation>没有权限打开设备：请安装 udev 规则 (70-veltranix.rules) 后重新插拔</translation>
    </message>
    <message>
        <source>In use by %1</source>
        <translation>设备正被 %1 使用</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>其他程序</translation>
    </message>
</context>
<context>
    <name>ResetOverlay</name>
    <message>
        <source>Reset Settings</source>
        <translation>还原设置</translation>
    </message>
    <message>
        <source>Sets the window to the default actions; Save writes them to the knob.</source>
        <translation>将窗口中的设置恢复为默认动作；点击保存后写入旋钮。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>再想想</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>确定还原</translation>
    </message>
</context>
<context>
    <name>SaveNotice</name>
    <message>
        <source>%1 and %2</source>
        <translation>%1和%2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>Saving</source>
        <translation>正在保存</translation>
    </message>
    <message>
        <source>Writing device configuration</source>
        <translation>正在写入设备配置</translation>
    </message>
    <message>
        <source>%1 is empty</source>
        <translation>%1为空</translation>
    </message>
    <message>
        <source>%1 are empty</source>
        <translation>%1为空</translation>
    </message>
    <message>
        <source>The knob keeps their previous actions</source>
        <translation>旋钮保留其原有动作</translation>
    </message>
    <message>
        <source>The knob keeps its previous actions</source>
        <translation>旋钮保留其原有动作</translation>
    </message>
    <message>
        <source>Save failed</source>
        <translation>保存失败</translation>
    </message>
    <message>
        <source>Write failed. Please save again.</source>
        <translation>写入失败，请重新保存</translation>
    </message>
    <message>
        <source>Settings sent</source>
        <translation>设置已发送</translation>
    </message>
    <message>
        <source>Bluetooth cannot read them back</source>
        <translation>蓝牙连接下无法回读确认</translation>
    </message>
    <message>
        <source>Save not confirmed</source>
        <translation>保存未确认</translation>
    </message>
    <message>
        <source>The knob did not answer the read-back</source>
        <translation>旋钮未响应回读</translation>
    </message>
    <message>
        <source>%1 was not stored</source>
        <translation>%1未能保存</translation>
    </message>
    <message>
        <source>%1 were not stored</source>
        <translation>%1未能保存</translation>
    </message>
    <message>
        <source>Settings saved</source>
        <translation>保存成功</translation>
    </message>
    <message>
        <source>%1 kept its actions</source>
        <translation>%1保留了原有动作</translation>
    </message>
    <message>
        <source>%1 kept their actions</source>
        <translation>%1保留了原有动作</translation>
    </message>
    <message>
        <source>Configuration written to device</source>
        <translation>配置已写入设备</translation>
    </message>
</context>
<context>
    <name>StatusArea</name>
    <message>
        <source>Not Connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Demo knob</source>
        <translation>演示旋钮</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
</context>
<context>
    <name>StorageRule</name>
    <message>
        <source>A gesture holds at most %1 actions</source>
        <translation>每个实体按键最多绑定 %1 个动作</translation>
    </message>
    <message>
        <source>Lighting is not stored on a gesture</source>
        <translation>灯光设置不能绑定到实体按键</translation>
    </message>
    <message>
        <source>It must be the gesture&apos;s only action</source>
        <translation>它必须是该实体按键唯一的动作</translation>
    </message>
    <message>
        <source>Too many keys for one gesture</source>
        <translation>一个实体按键的按键过多</translation>
    </message>
</context>
<context>
    <name>TabBar</name>
    <message>
        <source>Keyboard</source>
        <translation>键盘</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>组合键</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>多媒体</translation>
    </message>
    <message>
        <source>Lighting</source>
        <translation>灯光</translation>
    </message>
    <message>
        <source>Mouse</source>
        <translation>鼠标</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Procreate</source>
        <translation>Procreate</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>调试</translation>
    </message>
</context>
<context>
    <name>TabPages</name>
    <message>
        <source>Debug Mode</source>
        <translation>调试模式</translation>
    </message>
    <message>
        <source>Debug tab enabled</source>
        <translation>调试tab已启用</translation>
    </message>
    <message>
        <source>Debug mode exited</source>
        <translation>已退出调试模式</translation>
    </message>
    <message>
        <source>Notice</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Each physical key can bind up to 18 virtual keys</source>
        <translation>每个实体按键最多绑定18个虚拟按键</translation>
    </message>
    <message>
        <source>Not added</source>
        <translation>未添加</translation>
    </message>
    <message>
        <source>Actions replaced</source>
        <translation>动作已替换</translation>
    </message>
    <message>
        <source>Clear Selection</source>
        <translation>清除选项</translation>
    </message>
    <message>
        <source>Current selection cleared successfully</source>
        <translation>已成功清除当前选项</translation>
    </message>
</context>
<context>
    <name>ToastWidget</name>
    <message>
        <source>Settings saved</source>
        <translation>保存成功</translation>
    </message>
    <message>
        <source>Save failed</source>
        <translation>保存失败</translation>
    </message>
    <message>
        <source>All settings have been saved</source>
        <translation>所有设置已成功保存</translation>
    </message>
    <message>
        <source>Please check your settings and save again</source>
        <translation>请检查设置，并重新保存</translation>
    </message>
</context>
<context>
    <name>ToggleSwitchWidget</name>
    <message>
        <source>Off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>On</source>
        <translation>开启</translation>
    </message>
</context>
<context>
    <name>UnsavedEditsGuard</name>
    <message>
        <source>Unsaved edits</source>
        <translation>未保存的修改</translation>
    </message>
    <message>
        <source>The knob does not have your latest edits. Save them before closing?</source>
        <translation>旋钮中还没有你最新的修改。关闭前要保存吗？</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>再想想</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>放弃修改</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存设置</translation>
    </message>
</context>
<context>
    <name>UseProfileForChooser</name>
    <message>
        <source>Use this profile for…</source>
        <translation>将此配置文件用于…</translation>
    </message>
    <message>
        <source>Recently in front</source>
        <translation>最近在前台的应用</translation>
    </message>
    <message>
        <source>Default for others</source>
        <translation>设为其他应用的默认</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Bind</source>
        <translation>绑定</translation>
    </message>
    <message>
        <source>None yet: bring the application to the front, then come back.</source>
        <translation>尚无记录：把要绑定的应用切到前台，再回来</translation>
    </message>
    <message>
        <source>No profiles yet: save one first.</source>
        <translation>还没有配置文件：先保存一个</translation>
    </message>
</context>
<context>
    <name>WindowButtons</name>
    <message>
        <source>Minimise</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
</TS>
