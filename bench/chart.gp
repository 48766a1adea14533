# Bar chart of the benchmark ratios (bench/run passes data, output, rows, low, high, subtitle).
# One bar per row, from 1 to the ratio on a logarithmic axis: left of 1, Qoravel is faster or
# smaller than its peer; right of 1, slower or larger.
set terminal pngcairo size 1100, (110 + 34 * rows) font "Sans,10"
set output output
set title "Qoravel / peer  (time or memory; below 1 = Qoravel faster or smaller)\n{/*0.8 ".subtitle."}"
set logscale x
set xrange [low:high]
set yrange [-0.7:rows - 0.3]
set format x "%g×"
set xtics nomirror (0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50)
set ytics nomirror scale 0
set grid xtics lc rgb "#dddddd"
set border 1
set key off
set xlabel "Qoravel's time or memory as a multiple of the peer's (log scale; green: Qoravel cheaper)"
set style fill solid 0.85 noborder
set arrow from 1, graph 0 to 1, graph 1 nohead lc rgb "#333333" lw 1.5 front
set lmargin 36
plot data using (sqrt($2)):1:(($2 < 1) ? $2 : 1):(($2 < 1) ? 1 : $2):($1 - 0.36):($1 + 0.36):($3 == 1 ? 0x3a9a5b : 0xd9822b):ytic(4) \
       with boxxyerror lc rgb variable, \
     data using ($2 < 1 ? $2 : NaN):1:(sprintf("%.2f", $2)) with labels right offset -0.6, 0 font "Sans,9", \
     data using ($2 < 1 ? NaN : $2):1:(sprintf("%.2f", $2)) with labels left offset 0.6, 0 font "Sans,9"
