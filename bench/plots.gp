# Plots of scripts/bench --sweep DIR: run as gnuplot -e "dir='DIR'" bench/plots.gp
# Rates are both logs' records over the median wall time, and over the CPU
# time of all threads (user + system), which a busy machine disturbs less.
set terminal pngcairo size 900,520 font ",11" noenhanced
set grid
set key top left box opaque

set output dir.'/perf-size.png'
set title 'hotfolders update against log size (1,000 folders)'
set logscale x
set xlabel 'records per log'
set ylabel 'million records per second'
set y2label 'peak memory (MiB)'
set ytics nomirror
set y2tics
set yrange [0:*]
set y2range [0:*]
plot dir.'/size.dat' using 1:($3/1e6) with linespoints lw 2 title 'records / wall second', \
     dir.'/size.dat' using 1:(2*$1/$6/1e6) with linespoints lw 2 title 'records / CPU second', \
     dir.'/size.dat' using 1:5 axes x1y2 with linespoints lw 2 dt 2 title 'peak memory (MiB, right axis)'

unset y2label
unset y2tics
set ytics mirror
set key top right
set output dir.'/perf-folders-excluded.png'
set title 'hotfolders update, 2 x 1,000,000 records'
set xlabel 'distinct folders, or excluded folders (none plotted at 1)'
plot dir.'/folders.dat' using 1:($3/1e6) with linespoints lw 2 title 'distinct folders: records / wall second', \
     dir.'/folders.dat' using 1:(2e6/$4/1e6) with linespoints lw 2 title 'distinct folders: records / CPU second', \
     dir.'/excluded.dat' using ($1 < 1 ? 1 : $1):($3/1e6) with linespoints lw 2 dt 2 title 'excluded folders: records / wall second', \
     dir.'/excluded.dat' using ($1 < 1 ? 1 : $1):(2e6/$4/1e6) with linespoints lw 2 dt 2 title 'excluded folders: records / CPU second'
