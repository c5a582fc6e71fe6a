<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Tessaly</name>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>保存文件失败：%1</source>
        <translation>Saving the file failed: %1</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>Save traffic log</translation>
    </message>
    <message>
        <source>共 %1 条</source>
        <translation>%1 exchanges</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>请求</source>
        <translation>Request</translation>
    </message>
    <message>
        <source>回显</source>
        <translation>Echo</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>每次通讯的时间、串口、波特率、地址、请求、回显、应答和结果</source>
        <translation>Each exchange&apos;s time, port, baud rate, address, request, echo, reply and result</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>成功（地址或功能码不符）</source>
        <translation>OK (other address or function)</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>应答不完整（%1 字节）</source>
        <translation>Short reply (%1 bytes)</translation>
    </message>
    <message>
        <source>应答过长</source>
        <translation>Reply too long</translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation>Bad check</translation>
    </message>
    <message>
        <source>回显错误</source>
        <translation>Echo corrupted</translation>
    </message>
    <message>
        <source>回显后无应答</source>
        <translation>Echo, no reply</translation>
    </message>
    <message>
        <source>迟到的应答（地址或功能码不符）</source>
        <translation>Late answer (other address or function)</translation>
    </message>
    <message>
        <source>电流曲线</source>
        <translation>Current graph</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>电流（A）</source>
        <translation>Current (A)</translation>
    </message>
    <message>
        <source>保存电流曲线</source>
        <translation>Save current graph</translation>
    </message>
    <message>
        <source>读数 %1 次，失败 %2 次，最小 %3，平均 %4，最大 %5</source>
        <translation>%1 readings, %2 failed, min %3, mean %4, max %5</translation>
    </message>
    <message>
        <source>最近十分钟的电流读数，失败的读数标在时间轴上</source>
        <translation>Current readings of the last ten minutes, failed readings marked on the time axis</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Addr.:</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>波特率范围：</source>
        <translation>Baud rates:</translation>
    </message>
    <message>
        <source>地址范围  ：</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search result</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>原边线圈匝数:</source>
        <translation>Coil turns:</translation>
    </message>
    <message>
        <source>采集周期：</source>
        <translation>Period:</translation>
    </message>
    <message>
        <source>成功：</source>
        <translation>OK:</translation>
    </message>
    <message>
        <source>次</source>
        <translation> </translation>
    </message>
    <message>
        <source>失败：</source>
        <translation>Fail:</translation>
    </message>
    <message>
        <source>采集</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>电流值:</source>
        <translation>Amps:</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>调零</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>较机</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>Tessaly 1.0 版</source>
        <translation>Tessaly version 1.0</translation>
    </message>
    <message>
        <source>版权所有 (C) 2026 Tessaly</source>
        <translation>Copyright (C) 2026 Tessaly</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>搜索起始地址</source>
        <translation>First address to search</translation>
    </message>
    <message>
        <source>搜索结束地址</source>
        <translation>Last address to search</translation>
    </message>
    <message>
        <source>新地址</source>
        <translation>New address</translation>
    </message>
    <message>
        <source>设置地址</source>
        <translation>Set address</translation>
    </message>
    <message>
        <source>新波特率</source>
        <translation>New baud rate</translation>
    </message>
    <message>
        <source>设置波特率</source>
        <translation>Set baud rate</translation>
    </message>
    <message>
        <source>原边线圈匝数</source>
        <translation>Primary turns</translation>
    </message>
    <message>
        <source>设置原边线圈匝数</source>
        <translation>Set primary turns</translation>
    </message>
    <message>
        <source>读取原边线圈匝数</source>
        <translation>Read primary turns</translation>
    </message>
    <message>
        <source>采集周期（ms）</source>
        <translation>Acquisition period (ms)</translation>
    </message>
    <message>
        <source>电流值</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>KORVAN霍尔直流电流传感器(发行版)</source>
        <translation>KORVAN Hall-Effect DC Current Sensor (Release)</translation>
    </message>
    <message>
        <source>关于 Tessaly</source>
        <translation>About Tessaly</translation>
    </message>
    <message>
        <source>关于 Tessaly(&amp;A)...</source>
        <translation>&amp;About Tessaly...</translation>
    </message>
    <message>
        <source>通讯记录(&amp;T)...</source>
        <translation>&amp;Traffic log...</translation>
    </message>
    <message>
        <source>电流曲线(&amp;G)...</source>
        <translation>Current &amp;graph...</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打开串口失败，此串口不存在或被占用</source>
        <translation>Cannot open the port: it does not exist or is in use</translation>
    </message>
    <message>
        <source>没有发现此串口或此串口被占用</source>
        <translation>Port not found, or in use</translation>
    </message>
    <message>
        <source>请输入正确的地址范围0~255!!!</source>
        <translation>Please enter a valid address range, 0~255!</translation>
    </message>
    <message>
        <source>正在搜索：波特率%1--地址%2</source>
        <translation>Searching: baud %1, address %2</translation>
    </message>
    <message>
        <source>通讯参数为 波特率：%1 地址：%2</source>
        <translation>Found: baud %1, address %2</translation>
    </message>
    <message>
        <source>波特率：%1 地址：%2</source>
        <translation>Baud %1, address %2</translation>
    </message>
    <message>
        <source>搜索通讯参数失败,请检查接线和串口是否正确!!!</source>
        <translation>No sensor found. Please check the wiring and the port!</translation>
    </message>
    <message>
        <source>未搜索到通讯参数</source>
        <translation>No sensor found</translation>
    </message>
    <message>
        <source>已经停止搜索</source>
        <translation>Search stopped</translation>
    </message>
    <message>
        <source>地址范围为0~255,请正确输入!!!</source>
        <translation>The address must be 0~255. Please enter it correctly!</translation>
    </message>
    <message>
        <source>设置地址失败!!!</source>
        <translation>Setting the address failed!</translation>
    </message>
    <message>
        <source>设置地址成功!!!</source>
        <translation>Address set!</translation>
    </message>
    <message>
        <source>读数据失败!!!</source>
        <translation>Reading data failed!</translation>
    </message>
    <message>
        <source>设置波特率成功!!!</source>
        <translation>Baud rate set!</translation>
    </message>
    <message>
        <source>原边线圈匝数范围为1~10</source>
        <translation>Primary turns must be 1~10</translation>
    </message>
    <message>
        <source>设置原边线圈匝数范围成功!!!</source>
        <translation>Primary turns set!</translation>
    </message>
    <message>
        <source>调零成功!!!</source>
        <translation>Zeroed!</translation>
    </message>
    <message>
        <source>调零失败！</source>
        <translation>Zeroing failed!</translation>
    </message>
    <message>
        <source>较机成功!!!</source>
        <translation>Calibrated!</translation>
    </message>
    <message>
        <source>较机失败！</source>
        <translation>Calibration failed!</translation>
    </message>
    <message>
        <source>此串口号下没有设备</source>
        <translation>No device at this port</translation>
    </message>
    <message>
        <source>异常应答 %1：%2</source>
        <translation>Exception %1: %2</translation>
    </message>
    <message>
        <source>异常应答 %1</source>
        <translation>Exception %1</translation>
    </message>
    <message>
        <source>非法功能</source>
        <translation>illegal function</translation>
    </message>
    <message>
        <source>非法数据地址</source>
        <translation>illegal data address</translation>
    </message>
    <message>
        <source>非法数据值</source>
        <translation>illegal data value</translation>
    </message>
    <message>
        <source>从站设备故障</source>
        <translation>server device failure</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>acknowledge</translation>
    </message>
    <message>
        <source>从站设备忙</source>
        <translation>server device busy</translation>
    </message>
    <message>
        <source>存储奇偶性差错</source>
        <translation>memory parity error</translation>
    </message>
    <message>
        <source>网关路径不可用</source>
        <translation>gateway path unavailable</translation>
    </message>
    <message>
        <source>网关目标设备无响应</source>
        <translation>gateway target device failed to respond</translation>
    </message>
    <message>
        <source>打开串口失败：%1</source>
        <translation>Could not open the port: %1</translation>
    </message>
    <message>
        <source>线路断开</source>
        <translation>Line hung up</translation>
    </message>
    <message>
        <source>线路恢复</source>
        <translation>Line back</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>串口被占用</source>
        <translation>the port is busy</translation>
    </message>
    <message>
        <source>串口被占用（%1）</source>
        <translation>the port is busy (%1)</translation>
    </message>
    <message>
        <source>没有权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>没有权限（请加入 %1 组后重新登录）</source>
        <translation>permission denied (join the group %1 and log in again)</translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation>not a serial device</translation>
    </message>
    <message>
        <source>串口不接受此设置</source>
        <translation>the port refused the line settings</translation>
    </message>
    <message>
        <source>服务器地址格式错误</source>
        <translation>not a server address</translation>
    </message>
    <message>
        <source>找不到服务器</source>
        <translation>unknown server</translation>
    </message>
    <message>
        <source>服务器拒绝连接</source>
        <translation>the server refused the connection</translation>
    </message>
    <message>
        <source>无法到达服务器</source>
        <translation>the server cannot be reached</translation>
    </message>
    <message>
        <source>连接服务器超时</source>
        <translation>the server did not answer in time</translation>
    </message>
    <message>
        <source>服务器不支持 RFC 2217</source>
        <translation>the server does not speak RFC 2217</translation>
    </message>
    <message>
        <source>系统错误：%1</source>
        <translation>system error: %1</translation>
    </message>
</context>
</TS>
