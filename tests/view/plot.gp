# The plot of gnuplot_plot_test: a parabola on the vector terminal into
# plot.tek, and the plot frame's bounds in terminal units into bounds.txt.
set terminal tek40xx
set output 'plot.tek'
unset title
unset key
unset tics
set samples 20
set xrange [0:3]
set yrange [0:9]
plot x*x with lines
set print 'bounds.txt'
print GPVAL_TERM_XMIN, GPVAL_TERM_XMAX, GPVAL_TERM_YMIN, GPVAL_TERM_YMAX
