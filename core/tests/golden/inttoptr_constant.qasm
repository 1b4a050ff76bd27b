OPENQASM 3.0;
qubit[4] q;
bit[2] c;
c[1] = measure q[3];
h q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
