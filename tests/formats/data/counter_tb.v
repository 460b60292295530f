// A 4-bit counter with an enable inside a nested scope, dumped by the simulator: the file
// the import tests read as a simulator writes it. Remake counter.vcd with make_counter.sh.
`timescale 1ns / 100ps
module counter(input clk, input en, output reg [3:0] count);
  initial count = 4'bx;
  always @(posedge clk)
    if (en) count <= (count === 4'bx) ? 4'd0 : count + 4'd1;
endmodule

module tb;
  reg clk = 0;
  reg en = 0;
  wire [3:0] count;
  counter dut(.clk(clk), .en(en), .count(count));
  always #5 clk = ~clk;
  initial begin
    $dumpfile("counter.vcd");
    $dumpvars(0, tb);
    #12 en = 1;
    #160 en = 0;
    #20 $finish;
  end
endmodule
